#include "render/suite/renderFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "support/signal.h"

namespace {

double floorDb(double gain) { return std::max(renderDbFloor, signalDb(gain)); }

// The dB spectrum of `frames` frames of the mid signal from `start` (short stretches zero-padded).
std::vector<double> midSpectrumDb(const std::vector<float>& l, const std::vector<float>& r, std::size_t start) {
  std::vector<float> mid(renderPeakFrames, 0.0f);
  for (std::size_t i = 0; i < mid.size() && start + i < l.size(); ++i) mid[i] = 0.5f * (l[start + i] + r[start + i]);
  const std::vector<double> mag = signalSpectrum(mid.data(), mid.size(), renderPeakFft);
  // A Hann window sums to about frames / 2: a sine of amplitude a gives a bin of a x frames / 4.
  std::vector<double> db(mag.size());
  for (std::size_t i = 0; i < mag.size(); ++i) db[i] = floorDb(4.0 * mag[i] / renderPeakFrames);
  return db;
}

// The interpolated top of the local maximum at bin i: (bin position, dB).
std::pair<double, double> interpolate(const std::vector<double>& db, std::size_t i) {
  const double l = db[i - 1], c = db[i], r = db[i + 1];
  const double d = l - 2.0 * c + r;
  const double shift = d != 0.0 ? std::max(-0.5, std::min(0.5, 0.5 * (l - r) / d)) : 0.0;
  return {static_cast<double>(i) + shift, c - 0.25 * (l - r) * shift};
}

std::vector<RenderPeak> findPeaks(const std::vector<double>& db, int rate) {
  // Local maxima, strongest first, at least 4 bins of the unpadded stretch apart.
  std::vector<std::size_t> maxima;
  for (std::size_t i = 2; i + 2 < db.size(); ++i)
    if (db[i] > renderPeakFloorDb && db[i] > db[i - 1] && db[i] >= db[i + 1]) maxima.push_back(i);
  std::stable_sort(maxima.begin(), maxima.end(), [&](std::size_t a, std::size_t b) { return db[a] > db[b]; });
  std::vector<std::size_t> kept;
  for (std::size_t m : maxima) {
    bool near = false;
    for (std::size_t k : kept) near = near || (m > k ? m - k : k - m) < 4 * renderPeakFft / renderPeakFrames;
    if (!near) kept.push_back(m);
    if (static_cast<int>(kept.size()) == renderPeakCount) break;
  }
  std::vector<RenderPeak> peaks;
  for (std::size_t k : kept) {
    const auto top = interpolate(db, k);
    peaks.push_back({top.first * rate / renderPeakFft, top.second});
  }
  return peaks;
}

double rmsTolerance(const RenderTolerance& t, double referenceDb) {
  return t.rmsDb + t.quietSlope * std::max(0.0, -30.0 - referenceDb);
}

// The strongest level of the spectrum between lo and hi Hz (the interpolated top of a maximum inside,
// else the largest bin).
double levelBetween(const std::vector<double>& db, int rate, double lo, double hi) {
  const double perBin = static_cast<double>(rate) / renderPeakFft;
  const std::size_t a = static_cast<std::size_t>(std::max(1.0, std::floor(lo / perBin)));
  const std::size_t b = std::min(db.size() - 2, static_cast<std::size_t>(std::ceil(hi / perBin)));
  double best = renderDbFloor;
  for (std::size_t i = a; i <= b; ++i) {
    best = std::max(best, db[i]);
    if (db[i] > db[i - 1] && db[i] >= db[i + 1]) best = std::max(best, interpolate(db, i).second);
  }
  return best;
}

std::string fmt(double x) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", x);
  return b;
}

}  // namespace

const std::vector<double>& renderPeakTimes() {
  static const std::vector<double> times = {0.45, 0.95, 1.45, 1.80, 2.20};
  return times;
}

RenderFeatures renderFeatures(const std::vector<float>& left, const std::vector<float>& right, int rate) {
  RenderFeatures f;
  f.rate = rate;
  const std::vector<float>* outs[2] = {&left, &right};
  for (int k = 0; k < 2; ++k)
    for (std::size_t w = 0; (w + 1) * renderRmsWindow <= outs[k]->size(); ++w)
      f.rmsDb[k].push_back(floorDb(signalRms(outs[k]->data() + w * renderRmsWindow, renderRmsWindow)));
  for (double t : renderPeakTimes()) {
    RenderPeakWindow w;
    w.seconds = t;
    w.spectrumDb = midSpectrumDb(left, right, static_cast<std::size_t>(std::lround(t * rate)));
    w.peaks = findPeaks(w.spectrumDb, rate);
    f.windows.push_back(std::move(w));
  }
  return f;
}

std::string renderFeaturesToText(const RenderFeatures& f, const std::string& caseName) {
  std::ostringstream o;
  o << "# render reference of case " << caseName << " (written by render_tests; see scripts/update-render-refs.sh)\n";
  o << "# rms <window of " << renderRmsWindow << " frames> <left dB> <right dB>; window <seconds>, then its\n"
    << "# peak <seconds> <rank> <Hz> <dB>, strongest first\n";
  o << "rate " << f.rate << "\n";
  const std::size_t n = std::min(f.rmsDb[0].size(), f.rmsDb[1].size());
  for (std::size_t w = 0; w < n; ++w)
    o << "rms " << w << " " << fmt(f.rmsDb[0][w]) << " " << fmt(f.rmsDb[1][w]) << "\n";
  for (const RenderPeakWindow& w : f.windows) {
    o << "window " << fmt(w.seconds) << "\n";
    for (std::size_t k = 0; k < w.peaks.size(); ++k)
      o << "peak " << fmt(w.seconds) << " " << k << " " << fmt(w.peaks[k].hz) << " " << fmt(w.peaks[k].db) << "\n";
  }
  return o.str();
}

bool renderFeaturesFromText(const std::string& text, RenderFeatures* f, std::string* error) {
  *f = RenderFeatures();
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream l(line);
    std::string key;
    l >> key;
    bool ok = true;
    if (key == "rate") {
      ok = static_cast<bool>(l >> f->rate);
    } else if (key == "rms") {
      std::size_t w;
      double a, b;
      ok = (l >> w >> a >> b) && w == f->rmsDb[0].size();
      if (ok) {
        f->rmsDb[0].push_back(a);
        f->rmsDb[1].push_back(b);
      }
    } else if (key == "window") {
      double t;
      ok = static_cast<bool>(l >> t);
      if (ok) {
        f->windows.push_back(RenderPeakWindow());
        f->windows.back().seconds = t;
      }
    } else if (key == "peak") {
      double t, hz, db;
      std::size_t rank;
      ok = (l >> t >> rank >> hz >> db) && !f->windows.empty() && std::fabs(f->windows.back().seconds - t) < 1e-6 &&
           rank == f->windows.back().peaks.size();
      if (ok) f->windows.back().peaks.push_back({hz, db});
    } else {
      ok = false;
    }
    if (!ok) {
      *error = "line " + std::to_string(lineNo) + " not understood: " + line;
      return false;
    }
  }
  if (f->rate <= 0 || f->rmsDb[0].empty()) {
    *error = "no rate or no rms lines";
    return false;
  }
  return true;
}

std::string renderCompare(const RenderFeatures& ref, const RenderFeatures& cur, const RenderTolerance& t,
                          int maxLines) {
  std::vector<std::string> lines;
  auto add = [&](const std::string& s) { lines.push_back(s); };
  if (ref.rate != cur.rate) add("rate " + std::to_string(cur.rate) + ", reference " + std::to_string(ref.rate));
  for (int k = 0; k < 2; ++k) {
    if (ref.rmsDb[k].size() != cur.rmsDb[k].size())
      add("output " + std::to_string(k) + ": " + std::to_string(cur.rmsDb[k].size()) + " rms windows, reference " +
          std::to_string(ref.rmsDb[k].size()));
    const std::size_t n = std::min(ref.rmsDb[k].size(), cur.rmsDb[k].size());
    for (std::size_t w = 0; w < n; ++w) {
      const double r = ref.rmsDb[k][w], c = cur.rmsDb[k][w];
      if (std::fabs(r - c) > rmsTolerance(t, r))
        add("rms output " + std::to_string(k) + " window " + std::to_string(w) + " (" +
            fmt(static_cast<double>(w * renderRmsWindow) / cur.rate) + " s): " + fmt(c) + " dB, reference " + fmt(r) +
            " dB (tolerance " + fmt(rmsTolerance(t, r)) + ")");
    }
  }
  if (ref.windows.size() != cur.windows.size()) add("peak windows differ in number");
  for (std::size_t w = 0; w < std::min(ref.windows.size(), cur.windows.size()); ++w) {
    const RenderPeakWindow& rw = ref.windows[w];
    const RenderPeakWindow& cw = cur.windows[w];
    const std::string at = "peaks at " + fmt(rw.seconds) + " s: ";
    if (rw.peaks.empty()) {
      if (!cw.peaks.empty() && cw.peaks[0].db > renderPeakFloorDb + t.peakQuietDb)
        add(at + "a peak of " + fmt(cw.peaks[0].db) + " dB at " + fmt(cw.peaks[0].hz) + " Hz, reference none");
      continue;
    }
    const double strongest = rw.peaks[0].db;
    for (const RenderPeak& p : rw.peaks) {
      const double dHz = std::max(t.peakHzMin, t.peakHzFraction * p.hz);
      const double dDb = p.db < strongest - 30.0 ? t.peakQuietDb : t.peakDb;
      const double level =
          cw.spectrumDb.empty() ? renderDbFloor : levelBetween(cw.spectrumDb, cur.rate, p.hz - dHz, p.hz + dHz);
      if (std::fabs(level - p.db) > dDb)
        add(at + "reference peak " + fmt(p.hz) + " Hz " + fmt(p.db) + " dB heard at " + fmt(level) + " dB");
    }
    if (!cw.peaks.empty()) {
      const RenderPeak& top = cw.peaks[0];
      bool listed = false;
      for (const RenderPeak& p : rw.peaks)
        listed = listed || std::fabs(p.hz - top.hz) <= std::max(t.peakHzMin, t.peakHzFraction * p.hz);
      if (!listed) add(at + "strongest peak " + fmt(top.hz) + " Hz " + fmt(top.db) + " dB not among the reference's");
    }
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size() && static_cast<int>(i) < maxLines; ++i) out += lines[i] + "\n";
  if (static_cast<int>(lines.size()) > maxLines) out += "... " + std::to_string(lines.size() - maxLines) + " more\n";
  return out;
}
