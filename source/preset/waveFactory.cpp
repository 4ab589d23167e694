// The 37 built-in single-cycle tables behind the named global waves. Each is made by a fixed recipe
// that fits its name (partial series, formant weighting, seeded noise, steps, chords) and scaled to
// a peak of 1.0, so every build makes the same values; files refer to these waves by table slot.
#include <cmath>
#include <cstdint>

#include "preset/wave.h"

namespace {

const double kPi = 3.141592653589793;
const double kTwoPi = 2.0 * kPi;


// Sum of sine partials: amp[h - 1] for harmonic h (phase 0 at sample 0).
void additive(double* out, const double* amp, int count, double phaseOffset = 0.0) {
    for (int k = 0; k < waveLength; ++k) out[k] = 0.0;
    for (int h = 1; h <= count; ++h) {
        const double a = amp[h - 1];
        if (a == 0.0) continue;
        for (int k = 0; k < waveLength; ++k)
            out[k] += a * std::sin(kTwoPi * h * k / waveLength + phaseOffset * h);
    }
}

// Band-limited saw of n harmonics; sigma smooths the top (Lanczos factors).
void sawSeries(double* out, int n, bool sigma, double power = 1.0) {
    double amp[64] = {};
    for (int h = 1; h <= n; ++h) {
        double a = 1.0 / std::pow(h, power);
        if (sigma) {
            const double x = kPi * h / (n + 1);
            a *= std::sin(x) / x;
        }
        amp[h - 1] = a;
    }
    additive(out, amp, n);
}

void squareSeries(double* out, int n, bool sigma) {
    double amp[64] = {};
    for (int h = 1; h <= n; h += 2) {
        double a = 1.0 / h;
        if (sigma) {
            const double x = kPi * h / (n + 2);
            a *= std::sin(x) / x;
        }
        amp[h - 1] = a;
    }
    additive(out, amp, n);
}

void sparse(double* out, const int* harmonics, const double* amps, int count) {
    double amp[64] = {};
    int top = 0;
    for (int i = 0; i < count; ++i) {
        amp[harmonics[i] - 1] += amps[i];
        if (harmonics[i] > top) top = harmonics[i];
    }
    additive(out, amp, top);
}

// Partials of fundamental f0 weighted by three resonances (formants) in Hz.
void formant(double* out, double f0, const double* centres, const double* widths, const double* gains) {
    double amp[64] = {};
    for (int h = 1; h <= 40; ++h) {
        const double f = f0 * h;
        double a = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double d = (f - centres[i]) / widths[i];
            a += gains[i] * std::exp(-0.5 * d * d);
        }
        amp[h - 1] = a / std::sqrt(static_cast<double>(h)) + (h == 1 ? 0.3 : 0.0);
    }
    additive(out, amp, 40);
}

// Deterministic noise (32-bit linear congruential generator), -1..1.
struct Lcg {
    std::uint32_t state;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

void removeMean(double* out) {
    double mean = 0.0;
    for (int k = 0; k < waveLength; ++k) mean += out[k];
    mean /= waveLength;
    for (int k = 0; k < waveLength; ++k) out[k] -= mean;
}

void make(int table, double* w) {
    switch (table) {
    case 0:   // Saw_real: the ideal ramp, rising through zero at the cycle's start
        for (int k = 0; k < waveLength; ++k) w[k] = k < 512 ? k / 512.0 : k / 512.0 - 2.0;
        break;
    case 1: sawSeries(w, 48, true); break;         // Saw_filt 1
    case 2: sawSeries(w, 20, true); break;         // Saw_filt 2
    case 3: sawSeries(w, 8, true); break;          // Saw_filt 3
    case 4: sawSeries(w, 6, false, 2.0); break;    // Saw_smooth
    case 5: {                                      // Sawish: saw with softened even partials
        double amp[64] = {};
        for (int h = 1; h <= 24; ++h) amp[h - 1] = (h % 2 ? 1.0 : 0.6) / std::pow(h, 1.15);
        additive(w, amp, 24);
        break;
    }
    case 6: { const int h[] = {1, 3, 7, 13, 19}; const double a[] = {1, 0.6, 0.5, 0.35, 0.25};
        sparse(w, h, a, 5); break; }               // Inharmonic 1
    case 7: { const int h[] = {1, 9, 14, 23, 31, 37}; const double a[] = {1, 0.5, 0.45, 0.3, 0.25, 0.2};
        sparse(w, h, a, 6); break; }               // Inharmonic 2
    case 8: { const int h[] = {2, 3, 11, 17, 29, 41}; const double a[] = {1, 0.8, 0.5, 0.4, 0.3, 0.2};
        sparse(w, h, a, 6); break; }               // Inharmonic 3
    case 9: {                                      // Hibuzz 1: strong upper partials
        double amp[64] = {};
        for (int h = 1; h <= 40; ++h) amp[h - 1] = h < 8 ? 0.2 : 1.0 / std::sqrt(h - 6.0);
        additive(w, amp, 40);
        break;
    }
    case 10: { const int h[] = {1, 2, 3, 4, 5, 6}; const double a[] = {1, 0.8, 0.5, 0.3, 0.15, 0.08};
        sparse(w, h, a, 6); break; }               // Bass 1
    case 11: { const int h[] = {1, 2, 3, 4, 6, 8}; const double a[] = {1, 0.8, 0.6, 0.5, 0.35, 0.3};
        sparse(w, h, a, 6); break; }               // Organ 1: full drawbars
    case 12: { const int h[] = {1, 3, 5}; const double a[] = {1, 0.7, 0.5};
        sparse(w, h, a, 3); break; }               // Organ 2: hollow, odd partials
    case 13: { const int h[] = {1, 2, 4, 8, 16}; const double a[] = {1, 0.6, 0.5, 0.4, 0.3};
        sparse(w, h, a, 5); break; }               // Organ 3: octave stack
    case 14: { const int h[] = {1, 3, 4, 5, 6, 8, 10}; const double a[] = {0.8, 1, 0.4, 0.6, 0.3, 0.4, 0.25};
        sparse(w, h, a, 7); break; }               // Organ 4: with the third and the fifth stops
    case 15: {                                     // Midbuzz 1: a band of equal middle partials
        double amp[64] = {};
        for (int h = 1; h <= 16; ++h) amp[h - 1] = h < 3 ? 0.5 : 1.0 / std::pow(h, 0.3);
        additive(w, amp, 16);
        break;
    }
    case 16: {                                     // Midbuzz 2: narrow pulse, 24 partials
        double amp[64] = {};
        for (int h = 1; h <= 24; ++h) amp[h - 1] = std::sin(kPi * h * 0.125) / h;
        additive(w, amp, 24, kPi / 2);
        break;
    }
    case 17: {                                     // Woodwind 1: reedy odd partials
        double amp[64] = {};
        for (int h = 1; h <= 15; ++h) amp[h - 1] = h % 2 ? 1.0 / (h * h * 0.5 + 0.5) : 0.05 / h;
        additive(w, amp, 15);
        break;
    }
    case 18: { const int h[] = {1, 2, 3, 4}; const double a[] = {1, 0.3, 0.12, 0.04};
        sparse(w, h, a, 4); break; }               // Woodwind 2: breathy, near sine
    case 19: { const double c[] = {800, 1150, 2900}, bw[] = {120, 150, 250}, g[] = {1, 0.6, 0.3};
        formant(w, 220.0, c, bw, g); break; }      // Vox_fem 1: "ah"
    case 20: { const double c[] = {350, 2000, 2800}, bw[] = {90, 180, 250}, g[] = {1, 0.5, 0.35};
        formant(w, 250.0, c, bw, g); break; }      // Vox_fem 2: "ee"
    case 21:                                       // Square_fractal: squares at 1, 2, 4, 8 cycles
        for (int k = 0; k < waveLength; ++k) {
            double v = 0.0, a = 1.0;
            for (int o = 1; o <= 8; o *= 2, a *= 0.5) v += a * (((k * o) % waveLength) < 512 ? 1.0 : -1.0);
            w[k] = v;
        }
        break;
    case 22:                                       // Square_real
        for (int k = 0; k < waveLength; ++k) w[k] = k < 512 ? 1.0 : -1.0;
        break;
    case 23: squareSeries(w, 47, true); break;     // Square_filt 1
    case 24: squareSeries(w, 11, true); break;     // Square_filt 2
    case 25: {                                     // Soft trump: brass-like hump at the 3rd partial
        double amp[64] = {};
        for (int h = 1; h <= 14; ++h) amp[h - 1] = std::exp(-0.5 * std::pow((h - 3.0) / 2.5, 2.0)) + 0.1 / h;
        additive(w, amp, 14);
        break;
    }
    case 26: {                                     // Frac_noise: midpoint displacement, seeded
        Lcg rng{26u};
        w[0] = 0.0;
        double rough = 1.0;
        for (int step = waveLength; step > 1; step /= 2, rough *= 0.6) {
            for (int k = 0; k < waveLength; k += step) {
                const double a = w[k], b = w[(k + step) % waveLength];
                w[k + step / 2] = 0.5 * (a + b) + rough * rng.next();
            }
        }
        removeMean(w);
        break;
    }
    case 27:                                       // Stairstep: an 8-step ramp
        for (int k = 0; k < waveLength; ++k) w[k] = -1.0 + 2.0 * (k / 128) / 7.0;
        removeMean(w);
        break;
    case 28:                                       // Broken_speaker: clipped, rattling sine
        for (int k = 0; k < waveLength; ++k) {
            double s = std::sin(kTwoPi * k / waveLength);
            double v = s > 0.55 ? 0.55 : (s < -0.8 ? -0.8 : s);
            if (std::fabs(s) < 0.12) v = 0.0;      // crossover gap
            v += 0.15 * std::sin(kTwoPi * 23.0 * k / waveLength) * std::fabs(s);
            w[k] = v;
        }
        removeMean(w);
        break;
    case 29: {                                     // Noise 1: white
        Lcg rng{29u};
        for (int k = 0; k < waveLength; ++k) w[k] = rng.next();
        removeMean(w);
        break;
    }
    case 30: {                                     // Noise 2: smoothed (circular one-pole, twice)
        Lcg rng{30u};
        for (int k = 0; k < waveLength; ++k) w[k] = rng.next();
        for (int pass = 0; pass < 2; ++pass) {
            double y = 0.0;
            for (int round = 0; round < 2; ++round)
                for (int k = 0; k < waveLength; ++k) { y += 0.15 * (w[k] - y); if (round) w[k] = y; }
        }
        removeMean(w);
        break;
    }
    case 31: {                                     // Noise 3: sample-and-hold steps of 16
        Lcg rng{31u};
        double v = 0.0;
        for (int k = 0; k < waveLength; ++k) { if (k % 16 == 0) v = rng.next(); w[k] = v; }
        removeMean(w);
        break;
    }
    case 32:                                       // Tri_pointy: triangle bent toward its peaks
        for (int k = 0; k < waveLength; ++k) {
            const double t = k < 256 ? k / 256.0 : k < 768 ? 2.0 - k / 256.0 : k / 256.0 - 4.0;
            w[k] = (t < 0 ? -1.0 : 1.0) * t * t * t;
        }
        break;
    case 33: { const int h[] = {2, 3, 4, 5, 6, 8, 10, 12, 15}; const double a[] = {1, .8, .8, .7, .7, .5, .5, .4, .3};
        sparse(w, h, a, 9); break; }               // Big chord
    case 34: { const int h[] = {2, 3, 4, 6}; const double a[] = {1, 1, 0.3, 0.3};
        sparse(w, h, a, 4); break; }               // Fifth
    case 35: { const int h[] = {4, 5, 6}; const double a[] = {1, 1, 1};
        sparse(w, h, a, 3); break; }               // Maj triad 1: pure tones
    case 36: { const int h[] = {4, 5, 6, 8, 10, 12, 15}; const double a[] = {1, 1, 1, 0.45, 0.45, 0.45, 0.2};
        sparse(w, h, a, 7); break; }               // Maj triad 2: with overtones
    default:
        for (int k = 0; k < waveLength; ++k) w[k] = 0.0;
        break;
    }
}

}  // namespace

bool waveFactoryTable(int table, float* out) {
    if (!out || table < 0 || table >= waveFactoryTableCount) return false;
    double w[waveLength];
    make(table, w);
    double peak = 0.0;
    for (int k = 0; k < waveLength; ++k)
        if (std::fabs(w[k]) > peak) peak = std::fabs(w[k]);
    const double scale = peak > 0.0 ? 1.0 / peak : 0.0;
    for (int k = 0; k < waveLength; ++k) out[k] = static_cast<float>(w[k] * scale);
    return true;
}
