// The MME driver: device life cycle, the worker thread that serves the wave headers, and the properties.
#include "ABMmeDevice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ABDeviceErrors.h"
#include "ABMmeConvert.h"
#include "ABPropertyValues.h"
#include "GPError.h"

namespace {

const uint32_t kProbeRates[MmeDevice::kMaxRates] = {8000, 11025, 22050, 32000, 44100, 48000, 64000, 88200, 96000, 192000};

WAVEFORMATEX pcmFormat(int channels, uint32_t rate)
{
    WAVEFORMATEX f;
    std::memset(&f, 0, sizeof f);
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<WORD>(channels);
    f.nSamplesPerSec = rate;
    f.nAvgBytesPerSec = rate * 2 * static_cast<uint32_t>(channels);
    f.nBlockAlign = static_cast<WORD>(2 * channels);
    f.wBitsPerSample = 16;
    f.cbSize = 18;
    return f;
}

// One zero-filled block: the header, then its sample data.
WAVEHDR* newHeader(uint32_t bytes)
{
    WAVEHDR* h = static_cast<WAVEHDR*>(std::calloc(1, sizeof(WAVEHDR) + bytes));
    if (!h) return nullptr;
    h->lpData = reinterpret_cast<LPSTR>(h + 1);
    h->dwBufferLength = bytes;
    return h;
}

bool headerDone(const WAVEHDR* h) { return (*static_cast<const volatile DWORD*>(&h->dwFlags) & WHDR_DONE) != 0; }

// Waits (10 ms polls, at most 5 s) until the system has given the header back.
void waitDone(const WAVEHDR* h)
{
    for (int i = 0; i < 500 && !headerDone(h); ++i) Sleep(10);
}

void showError(const char* what, const char* systemText)
{
    char text[320];
    std::snprintf(text, sizeof text, "%s%s", what, systemText);
    gpMessageBox(text, GP_BUTTONS_OK, GP_NO_DEFAULT);
}

void copyName(char* to, size_t room, const std::string& from)
{
    std::strncpy(to, from.c_str(), room - 1);
    to[room - 1] = 0;
}

}  // namespace

MmeDevice::MmeDevice(uint32_t outputIndex) : MappedPropertyDevice(KIND_AUDIO), m_worker(this), m_outIndex(outputIndex)
{
    std::memset(&m_format, 0, sizeof m_format);
    std::memset(m_rates, 0, sizeof m_rates);
    WAVEOUTCAPSA caps;
    std::memset(&caps, 0, sizeof caps);
    m_name = "MME ";
    if (waveOutGetDevCapsA(outputIndex, &caps, sizeof caps) == MMSYSERR_NOERROR) m_name += caps.szPname;
    m_inName = "no device";

    DevicePropertyMaps<MmeDevice>& p = properties;
    p.addInfo("DeviceName", this, &MmeDevice::nameInfo);
    p.addGet("DeviceName", this, &MmeDevice::nameGet);
    p.addInfo("PortDescription", this, &MmeDevice::portInfo);
    p.addGet("PortDescription", this, &MmeDevice::portGet);
    p.addSet("PortDescription", this, &MmeDevice::portSet);
    p.addInfo("StreamDescription", this, &MmeDevice::streamInfo);
    p.addGet("StreamDescription", this, &MmeDevice::streamGet);
    p.addInfo("EnableAudioPort", this, &MmeDevice::enableInfo);
    p.addGet("EnableAudioPort", this, &MmeDevice::enableGet);
    p.addSet("EnableAudioPort", this, &MmeDevice::enableSet);
    p.addInfo("ActiveAudioPort", this, &MmeDevice::activeInfo);
    p.addGet("ActiveAudioPort", this, &MmeDevice::activeGet);
    p.addSet("ActiveAudioPort", this, &MmeDevice::activeSet);
    p.addInfo("SampleRateList", this, &MmeDevice::rateListInfo);
    p.addGet("SampleRateList", this, &MmeDevice::rateListGet);
    p.addGet("SampleRate", this, &MmeDevice::rateGet);
    p.addSet("SampleRate", this, &MmeDevice::rateSet);
    p.addInfo("BufferSize", this, &MmeDevice::bufferSizeInfo);
    p.addGet("BufferSize", this, &MmeDevice::bufferSizeGet);
    p.addSet("BufferSize", this, &MmeDevice::bufferSizeSet);
    p.addGet("InBufferSize", this, &MmeDevice::inBufferSizeGet);
    p.addSet("InBufferSize", this, &MmeDevice::inBufferSizeSet);
    p.addInfo("AudioInDeviceList", this, &MmeDevice::inListInfo);
    p.addGet("AudioInDeviceList", this, &MmeDevice::inListGet);
    p.addSet("AudioInDevice", this, &MmeDevice::inDeviceSet);
    p.addGet("ActiveAudioInDevice", this, &MmeDevice::activeInDeviceGet);
    p.addInfo("Latency", this, &MmeDevice::latencyInfo);
    p.addGet("Latency", this, &MmeDevice::latencyGet);
    p.addSet("Latency", this, &MmeDevice::latencySet);
    p.addInfo("SetInLatency", this, &MmeDevice::inLatencyInfo);
    p.addGet("SetInLatency", this, &MmeDevice::inLatencyGet);
    p.addSet("SetInLatency", this, &MmeDevice::inLatencySet);
    p.addGet("PlayPosition", this, &MmeDevice::playPositionGet);
    p.addGet("DeviceDescription", this, &MmeDevice::descriptionGet);
}

MmeDevice::~MmeDevice()
{
    start(false);
    if (m_open) open(false);
}

// ---- life cycle

void MmeDevice::probe()
{
    m_rateCount = 0;
    for (uint32_t rate : kProbeRates) {
        WAVEFORMATEX f = pcmFormat(2, rate);
        if (waveOutOpen(nullptr, m_outIndex, &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR)
            m_rates[m_rateCount++] = static_cast<float>(rate);
    }
    int best = 0;
    for (int ch = 1; ch <= 16; ++ch) {
        WAVEFORMATEX f = pcmFormat(ch, 44100);
        if (waveOutOpen(nullptr, m_outIndex, &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR) best = ch;
    }
    m_outChannels = best == 16 ? 2 : best;
    best = 0;
    if (m_inIndex >= 0) {
        for (int ch = 1; ch <= 16; ++ch) {
            WAVEFORMATEX f = pcmFormat(ch, 44100);
            if (waveInOpen(nullptr, static_cast<UINT>(m_inIndex), &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR)
                best = ch;
        }
        best = best == 16 ? 2 : best;
    }
    m_inChannels = best;
}

int MmeDevice::open(bool on)
{
    if (!on) {
        if (!m_open) return AB_ERR_NOT_OPEN;
        if (m_running) start(false);
        freeBuffers();
        m_open = 0;
        return AB_OK;
    }
    if (m_open) return AB_OK;
    probe();
    const int outCh = m_outChannels;
    const int inCh = hasInput() ? m_inChannels : 0;
    const uint32_t outBytes = m_outFrames * 2 * static_cast<uint32_t>(outCh);
    const uint32_t inBytes = m_inFrames * 2 * static_cast<uint32_t>(inCh);
    bool ok = true;
    for (int k = 0; k < 2; ++k) {
        m_outHeaders[k] = newHeader(outBytes);
        ok = ok && m_outHeaders[k];
        if (inCh > 0) {
            m_inHeaders[k] = newHeader(inBytes);
            ok = ok && m_inHeaders[k];
        }
    }
    // The host reads the inputs for the block's frame count (the output buffer size): the input
    // buffers are at least that long, and what the recording does not cover stays silent.
    const uint32_t inBufferFrames = m_inFrames > m_outFrames ? m_inFrames : m_outFrames;
    std::memset(&block, 0, sizeof block);
    if (ok && inCh > 0) {
        m_inBuffers = newChannelBuffers(inCh, inBufferFrames);
        m_inIds = new (std::nothrow) int32_t[inCh];
        m_inPorts = new (std::nothrow) AudioPortEntry[inCh]();
        ok = m_inBuffers && m_inIds && m_inPorts;
    }
    if (ok && outCh > 0) {
        m_outBuffers = newChannelBuffers(outCh, m_outFrames);
        m_outIds = new (std::nothrow) int32_t[outCh];
        m_outPorts = new (std::nothrow) AudioPortEntry[outCh]();
        ok = m_outBuffers && m_outIds && m_outPorts;
    }
    if (!ok) {
        freeBuffers();
        return AB_ERR_NOT_OPEN;
    }
    if (inCh > 0) {
        m_inPortCount = inCh;
        block.input.frames = static_cast<int32_t>(m_inFrames);
        block.input.channelCount = inCh;
        block.input.buffers = m_inBuffers;
        block.input.channelIds = m_inIds;
        for (int c = 0; c < inCh; ++c) {
            m_inIds[c] = c;
            AudioPortEntry& e = m_inPorts[c];
            e.index = c;
            e.isOutput = 0;
            std::snprintf(e.name, sizeof e.name, "%s %d", m_inName.c_str(), c + 1);
        }
    }
    m_outPortCount = outCh;
    block.output.frames = static_cast<int32_t>(m_outFrames);
    block.output.channelCount = outCh;
    block.output.buffers = m_outBuffers;
    block.output.channelIds = m_outIds;
    for (int c = 0; c < outCh; ++c) {
        m_outIds[c] = c;
        AudioPortEntry& e = m_outPorts[c];
        e.index = c;
        e.isOutput = 1;
        if (outCh >= 2 && c < 2) e.active = e.enabled = 1;
        std::snprintf(e.name, sizeof e.name, "%s %d", m_name.c_str(), c + 1);
    }
    block.frames = static_cast<int32_t>(m_outFrames);
    block.sampleRate = static_cast<int32_t>(m_rate);
    m_open = 1;
    return AB_OK;
}

void MmeDevice::freeBuffers()
{
    for (int k = 0; k < 2; ++k) {
        std::free(m_outHeaders[k]);
        std::free(m_inHeaders[k]);
        m_outHeaders[k] = m_inHeaders[k] = nullptr;
    }
    deleteChannelBuffers(m_outBuffers, m_outPortCount > 0 ? m_outPortCount : m_outChannels);
    deleteChannelBuffers(m_inBuffers, m_inPortCount > 0 ? m_inPortCount : m_inChannels);
    m_outBuffers = m_inBuffers = nullptr;
    delete[] m_outIds;
    delete[] m_inIds;
    delete[] m_outPorts;
    delete[] m_inPorts;
    m_outIds = m_inIds = nullptr;
    m_outPorts = m_inPorts = nullptr;
    m_outPortCount = m_inPortCount = 0;
    std::memset(&block, 0, sizeof block);
}

void MmeDevice::closeEvents()
{
    HANDLE* events[4] = {&m_quit, &m_outDone, &m_inDone, &m_finished};
    for (HANDLE* e : events) {
        if (*e) CloseHandle(*e);
        *e = nullptr;
    }
}

void MmeDevice::stopWorker()
{
    if (m_quit) SetEvent(m_quit);
    if (m_finished) WaitForSingleObject(m_finished, 5000);
    m_worker.wait();
    m_worker.closeHandle();
    m_worker.handleHolder().clear();
}

int MmeDevice::start(bool on)
{
    if (!on) return stopStreams();
    if (!m_open) return AB_ERR_NOT_OPEN;
    if (m_running) return AB_OK;
    m_format = pcmFormat(m_outChannels, m_rate);
    m_quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_outDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_inDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_nextOut.store(-1);
    m_nextIn.store(-1);
    m_stopping.store(0);
    if (!m_quit || !m_outDone || !m_inDone || !m_finished || !m_worker.start(ThreadPriority(ThreadPriority::LEVEL_NORMAL))) {
        closeEvents();
        return AB_ERR_NOT_OPEN;
    }
    m_worker.setPriority(ThreadPriority(ThreadPriority::LEVEL_TIME_CRITICAL));

    MMRESULT r = waveOutOpen(&m_waveOut, m_outIndex, &m_format, reinterpret_cast<DWORD_PTR>(m_outDone), 0, CALLBACK_EVENT);
    m_outDoneCount.store(0);
    if (r != MMSYSERR_NOERROR) {
        m_waveOut = nullptr;
        stopWorker();
        closeEvents();
        m_running = 0;
        char text[256] = "";
        waveOutGetErrorTextA(r, text, sizeof text);
        showError("Could not open MME output device !\n", text);
        return AB_ERR_NOT_OPEN;
    }
    for (WAVEHDR* h : m_outHeaders) {
        std::memset(h->lpData, 0, h->dwBufferLength);   // the stream always starts with two silent buffers
        h->dwFlags = 0;
        waveOutPrepareHeader(m_waveOut, h, sizeof(WAVEHDR));
    }
    waveOutPause(m_waveOut);
    for (WAVEHDR* h : m_outHeaders) waveOutWrite(m_waveOut, h, sizeof(WAVEHDR));
    m_nextOut.store(0);
    waveOutRestart(m_waveOut);

    if (hasInput() && m_inHeaders[0]) {
        WAVEFORMATEX f = pcmFormat(m_inChannels, m_rate);
        r = waveInOpen(&m_waveIn, static_cast<UINT>(m_inIndex), &f, reinterpret_cast<DWORD_PTR>(m_inDone), 0, CALLBACK_EVENT);
        if (r != MMSYSERR_NOERROR) {
            m_waveIn = nullptr;
            char text[256] = "";
            waveInGetErrorTextA(r, text, sizeof text);
            showError("Could not open MME input device !\n", text);
            m_running = 1;   // the output keeps running
            return AB_ERR_NOT_OPEN;
        }
        for (WAVEHDR* h : m_inHeaders) {
            h->dwFlags = 0;
            waveInPrepareHeader(m_waveIn, h, sizeof(WAVEHDR));
        }
        waveInStop(m_waveIn);
        for (WAVEHDR* h : m_inHeaders) waveInAddBuffer(m_waveIn, h, sizeof(WAVEHDR));
        m_nextIn.store(0);
        waveInStart(m_waveIn);
    }
    m_startTime = timeGetTime();
    m_running = 1;
    return AB_OK;
}

int MmeDevice::stopStreams()
{
    if (!m_running) return AB_OK;
    // The worker stops before the streams are reset. A reset hands every header back marked done, and
    // a worker still serving would refill and write them, restarting the output after the stop: the
    // stream then goes on with a jump in the signal and the close can find a header still playing.
    m_stopping.store(1, std::memory_order_release);
    stopWorker();
    if (m_waveOut) waveOutReset(m_waveOut);
    if (m_waveIn) waveInReset(m_waveIn);
    if (m_waveIn) {
        for (WAVEHDR* h : m_inHeaders) {
            waitDone(h);
            waveInUnprepareHeader(m_waveIn, h, sizeof(WAVEHDR));
        }
        waveInClose(m_waveIn);
        m_waveIn = nullptr;
    }
    if (m_waveOut) {
        for (WAVEHDR* h : m_outHeaders) {
            waitDone(h);
            waveOutUnprepareHeader(m_waveOut, h, sizeof(WAVEHDR));
        }
        MMRESULT r = waveOutClose(m_waveOut);
        m_waveOut = nullptr;
        if (r != MMSYSERR_NOERROR) {
            char text[256] = "";
            waveOutGetErrorTextA(r, text, sizeof text);
            showError("Could not close MME output device !\n", text);
        }
    }
    closeEvents();
    m_running = 0;
    return AB_OK;
}

int MmeDevice::reopen(bool wasRunning)
{
    int r = open(true);
    if (r == AB_OK && wasRunning) r = start(true);
    return r;
}

// ---- the worker thread (the audio thread while this device runs)

void MmeDevice::workerRun()
{
    HANDLE events[3] = {m_quit, m_outDone, m_inDone};
    for (;;) {
        DWORD w = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        if (w == WAIT_OBJECT_0 || w == WAIT_FAILED) {
            SetEvent(m_finished);
            return;
        }
        if (w == WAIT_OBJECT_0 + 1) serveOutput();
        // Input done: nothing; the input is served together with the output.
    }
}

void MmeDevice::serveOutput()
{
    m_outDoneCount.fetch_add(1, std::memory_order_relaxed);
    int32_t next = m_nextOut.load(std::memory_order_acquire);
    if (next < 0) return;   // start is still writing the first headers
    const int outCh = block.output.channelCount;
    // A stop ends the loop at once: with a device that takes data as fast as it comes, headers could
    // keep coming back done and the worker would never see its quit event.
    while (!m_stopping.load(std::memory_order_acquire) && headerDone(m_outHeaders[next])) {
        int32_t nextIn = m_nextIn.load(std::memory_order_acquire);
        if (m_waveIn && nextIn >= 0 && headerDone(m_inHeaders[nextIn])) {
            const int inCh = block.input.channelCount;
            mmePcm16ToFloat(reinterpret_cast<const int16_t*>(m_inHeaders[nextIn]->lpData), inCh,
                            static_cast<int>(m_inFrames), block.input.buffers, block.frames);
            for (int k = 0; k < 2 && headerDone(m_inHeaders[nextIn]); ++k) {
                waveInAddBuffer(m_waveIn, m_inHeaders[nextIn], sizeof(WAVEHDR));
                nextIn ^= 1;
            }
            m_nextIn.store(nextIn, std::memory_order_release);
        }
        if (ring) {
            block.ring = ring;
            ring->blockTime = static_cast<uint64_t>(timeGetTime()) * 1000u;
        } else {
            block.ring = nullptr;
        }
        if (callback) callback(&block, 0, callbackUser2, callbackUser1);
        WAVEHDR* h = m_outHeaders[next];
        mmeFloatToPcm16(block.output.buffers, outCh, block.frames, reinterpret_cast<int16_t*>(h->lpData));
        MMRESULT r = waveOutWrite(m_waveOut, h, sizeof(WAVEHDR));
        next ^= 1;
        m_nextOut.store(next, std::memory_order_release);
        if (r != MMSYSERR_NOERROR) break;   // the stream is being reset: the header stays done
    }
}

// ---- properties

AudioPortEntry* MmeDevice::findPort(int32_t index, bool isOutput)
{
    if (index < 0) return nullptr;
    if (isOutput) return index < m_outPortCount ? &m_outPorts[index] : nullptr;
    return index < m_inPortCount ? &m_inPorts[index] : nullptr;
}

int MmeDevice::nameInfo(uint32_t* size, uint32_t* changeable)
{
    return textPropertyInfo(m_name, size, changeable);
}

int MmeDevice::nameGet(void* buffer, uint32_t* size)
{
    return textPropertyGet(m_name, buffer, size);
}

int MmeDevice::portInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 4 + 80 * static_cast<uint32_t>(portCount());
    if (changeable) *changeable = 1;
    return AB_OK;
}

int MmeDevice::portGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size < 4) return AB_ERR_NOT_OPEN;
    const uint64_t full = 4 + 80 * static_cast<uint64_t>(portCount());
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (*size == full) {
        writeU32(out, 0, static_cast<uint32_t>(portCount()));
        size_t at = 4;
        for (int i = 0; i < m_inPortCount; ++i, at += 76) std::memcpy(out + at, &m_inPorts[i], 76);
        for (int i = 0; i < m_outPortCount; ++i, at += 76) std::memcpy(out + at, &m_outPorts[i], 76);
        return AB_OK;
    }
    const uint32_t count = readU32(out, 0);
    if (*size == 80 && count == 1) {
        AudioPortEntry e;
        std::memcpy(&e, out + 4, 76);
        AudioPortEntry* port = findPort(e.index, e.isOutput != 0);
        if (!port) return AB_ERR_NOT_OPEN;
        e.active = port->active;
        e.enabled = port->enabled;
        std::memcpy(out + 4, &e, 76);
        return AB_OK;
    }
    if (*size == 4 + 76 * static_cast<uint64_t>(count)) {
        gpDebugPrint("usw ..... \n");
        return AB_OK;
    }
    return AB_ERR_NOT_OPEN;
}

int MmeDevice::portRecordList(const void* value, uint32_t size, bool enabledOnly)
{
    const uint8_t* in = static_cast<const uint8_t*>(value);
    const uint32_t count = readU32(in, 0);
    for (uint32_t i = 0; i < count; ++i) {
        AudioPortEntry e;
        std::memcpy(&e, in + 4 + 76 * static_cast<size_t>(i), 76);
        AudioPortEntry* port = findPort(e.index, e.isOutput != 0);
        if (!port) continue;
        if (!enabledOnly) port->active = e.active;
        port->enabled = e.enabled;
    }
    return AB_OK;
}

int MmeDevice::portSet(const void* value, uint32_t size)
{
    if (!m_open || !isRecordList(value, size)) return AB_ERR_NOT_OPEN;
    const bool wasRunning = m_running != 0;
    if (wasRunning) start(false);
    portRecordList(value, size, false);
    return wasRunning ? start(true) : AB_OK;
}

int MmeDevice::streamInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 28 + 16 * static_cast<uint32_t>(portCount());
    if (changeable) *changeable = 1;
    return AB_OK;
}

int MmeDevice::streamGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 28 + 16 * static_cast<uint32_t>(portCount())) return AB_ERR_NOT_OPEN;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0, *size);
    writeU32(out, 0, static_cast<uint32_t>(portCount()));
    writeU32(out, 4, m_outFrames);
    writeU32(out, 8, m_rate);
    size_t at = 12;
    for (int dir = 0; dir < 2; ++dir) {
        const int n = dir ? m_outPortCount : m_inPortCount;
        const AudioPortEntry* ports = dir ? m_outPorts : m_inPorts;
        uint32_t channel = 0;
        for (int i = 0; i < n; ++i) {
            if (!ports[i].active || !ports[i].enabled) continue;
            out[at] = static_cast<uint8_t>(dir);
            writeU32(out, at + 4, channel++);
            writeU32(out, at + 8, static_cast<uint32_t>(ports[i].index));
            at += 16;
        }
    }
    return AB_OK;
}

int MmeDevice::enableInfo(uint32_t*, uint32_t*) { return m_open ? AB_OK : AB_ERR_NOT_OPEN; }
int MmeDevice::enableGet(void*, uint32_t*) { return m_open ? AB_OK : AB_ERR_NOT_OPEN; }

int MmeDevice::enableSet(const void* value, uint32_t size)
{
    if (!m_open || !isRecordList(value, size)) return AB_ERR_NOT_OPEN;
    return portRecordList(value, size, true);
}

int MmeDevice::activeInfo(uint32_t*, uint32_t*) { return m_open ? AB_OK : AB_ERR_NOT_OPEN; }
int MmeDevice::activeGet(void*, uint32_t*) { return m_open ? AB_OK : AB_ERR_NOT_OPEN; }
int MmeDevice::activeSet(const void*, uint32_t) { return m_open ? AB_OK : AB_ERR_NOT_OPEN; }

int MmeDevice::rateListInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 8 + 4 * static_cast<uint32_t>(m_rateCount);
    if (changeable) *changeable = m_rateCount >= 2 ? 1 : 0;
    return AB_OK;
}

int MmeDevice::rateListGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 8 + 4 * static_cast<uint32_t>(m_rateCount)) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, static_cast<uint32_t>(m_rateCount));
    for (int i = 0; i < m_rateCount; ++i) writeU32(buffer, 4 + 4 * static_cast<size_t>(i), static_cast<uint32_t>(m_rates[i]));
    return AB_OK;
}

int MmeDevice::rateGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 4) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, m_rate);
    return AB_OK;
}

int MmeDevice::rateSet(const void* value, uint32_t size)
{
    if (!m_open || !value || size != 4) return AB_ERR_NOT_OPEN;
    const int32_t rate = static_cast<int32_t>(readU32(value, 0));
    if (rate <= 0) return AB_ERR_NOT_OPEN;   // the host divides by the rate
    m_rate = static_cast<uint32_t>(rate);
    const bool wasRunning = m_running != 0;
    open(false);
    return reopen(wasRunning);
}

int MmeDevice::setBufferFrames(uint32_t* field, uint32_t frames)
{
    const bool wasRunning = m_running != 0;
    open(false);
    if (frames < 1) frames = 1;
    if (frames > kMaxBufferFrames) frames = kMaxBufferFrames;
    *field = frames;
    return reopen(wasRunning);
}

int MmeDevice::bufferSizeInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 4;
    if (changeable) *changeable = 0;
    return AB_OK;
}

int MmeDevice::bufferSizeGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 4) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, m_outFrames);
    return AB_OK;
}

int MmeDevice::bufferSizeSet(const void* value, uint32_t size)
{
    if (!m_open || !value || size != 4) return AB_ERR_NOT_OPEN;
    return setBufferFrames(&m_outFrames, readU32(value, 0));
}

int MmeDevice::inBufferSizeGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 4) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, m_inFrames);
    return AB_OK;
}

int MmeDevice::inBufferSizeSet(const void* value, uint32_t size)
{
    if (!m_open || !value || size != 4) return AB_ERR_NOT_OPEN;
    return setBufferFrames(&m_inFrames, readU32(value, 0));
}

int MmeDevice::inListInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 68 * (waveInGetNumDevs() + 1);
    if (changeable) *changeable = 0;
    return AB_OK;
}

int MmeDevice::inListGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    const UINT n = waveInGetNumDevs();
    if (!buffer || *size < 68 * (n + 1)) {
        *size = 0;
        return AB_ERR_NOT_OPEN;
    }
    uint8_t* out = static_cast<uint8_t*>(buffer);
    AudioInDeviceEntry e;
    std::memset(&e, 0, sizeof e);
    e.index = -1;
    copyName(e.name, sizeof e.name, "no device");
    std::memcpy(out, &e, 68);
    for (UINT i = 0; i < n; ++i) {
        WAVEINCAPSA caps;
        std::memset(&caps, 0, sizeof caps);
        waveInGetDevCapsA(i, &caps, sizeof caps);
        std::memset(&e, 0, sizeof e);
        e.index = static_cast<int32_t>(i);
        copyName(e.name, sizeof e.name, std::string("MME ") + caps.szPname);
        std::memcpy(out + 68 * static_cast<size_t>(i + 1), &e, 68);
    }
    *size = 68 * (n + 1);
    return AB_OK;
}

int MmeDevice::inDeviceSet(const void* value, uint32_t size)
{
    if (!m_open) return AB_ERR_NOT_OPEN;
    const bool wasRunning = m_running != 0;
    open(false);
    int result = AB_OK;
    m_inIndex = -1;
    m_inName = "no device";
    if (size == 68 && value) {
        const int32_t index = static_cast<int32_t>(readU32(value, 0));
        WAVEINCAPSA caps;
        std::memset(&caps, 0, sizeof caps);
        if (index >= 0 && static_cast<UINT>(index) < waveInGetNumDevs() &&
            waveInGetDevCapsA(static_cast<UINT>(index), &caps, sizeof caps) == MMSYSERR_NOERROR) {
            m_inIndex = index;
            m_inName = std::string("MME ") + caps.szPname;
        } else {
            result = AB_ERR_DEVICE_QUERY;
        }
    }
    int r = reopen(wasRunning);   // probes the input channel count
    return result != AB_OK ? result : r;
}

int MmeDevice::activeInDeviceGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    if (!buffer || *size < 68) return AB_OK;
    AudioInDeviceEntry e;
    std::memset(&e, 0, sizeof e);
    e.index = m_inIndex;
    copyName(e.name, sizeof e.name, m_inName);
    std::memcpy(buffer, &e, 68);
    return AB_OK;
}

int MmeDevice::latencyInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 4;
    if (changeable) *changeable = 1;
    return AB_OK;
}

int MmeDevice::latencyGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 4) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, static_cast<uint32_t>(static_cast<uint64_t>(m_outFrames) * 1000u / m_rate));
    return AB_OK;
}

namespace {
uint32_t latencyFrames(uint32_t rate, const void* value)
{
    int32_t ms = static_cast<int32_t>(readU32(value, 0));
    if (ms < 1) ms = 1;
    double frames = static_cast<double>(rate) * ms * 0.001;
    return frames >= MmeDevice::kMaxBufferFrames ? MmeDevice::kMaxBufferFrames : static_cast<uint32_t>(frames);
}
}  // namespace

int MmeDevice::latencySet(const void* value, uint32_t size)
{
    if (!m_open || !value || size != 4) return AB_ERR_NOT_OPEN;
    return setBufferFrames(&m_outFrames, latencyFrames(m_rate, value));
}

int MmeDevice::inLatencyInfo(uint32_t* size, uint32_t* changeable) { return latencyInfo(size, changeable); }

int MmeDevice::inLatencyGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size != 4) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, static_cast<uint32_t>(m_inFrames * 1000.0 / m_rate));
    return AB_OK;
}

int MmeDevice::inLatencySet(const void* value, uint32_t size)
{
    if (!m_open || !value || size != 4) return AB_ERR_NOT_OPEN;
    return setBufferFrames(&m_inFrames, latencyFrames(m_rate, value));
}

int MmeDevice::playPositionGet(void* buffer, uint32_t* size)
{
    if (!m_running || !m_waveOut || !size || !buffer || *size != 4) return AB_ERR_NOT_OPEN;
    MMTIME t;
    std::memset(&t, 0, sizeof t);
    t.wType = TIME_SAMPLES;
    if (waveOutGetPosition(m_waveOut, &t, sizeof t) != MMSYSERR_NOERROR || t.wType != TIME_SAMPLES) {
        writeU32(buffer, 0, 0);
        return AB_ERR_DEVICE_QUERY;
    }
    int64_t pos = static_cast<int64_t>(t.u.sample) - static_cast<int64_t>(m_outDoneCount.load()) * m_outFrames;
    if (pos > static_cast<int64_t>(m_outFrames)) pos -= m_outFrames;
    if (pos < 0) pos = 0;
    writeU32(buffer, 0, static_cast<uint32_t>(pos));
    return AB_OK;
}

int MmeDevice::descriptionGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size < 8) return AB_ERR_NOT_OPEN;
    writeU32(buffer, 0, kind);
    writeU32(buffer, 4, 2);
    return AB_OK;
}
