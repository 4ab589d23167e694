// The WinMidi driver: ports, input into the ring and to the host's notification, output, properties.
#include "ABWinMidi.h"

#include <cstring>
#include <new>

#include "ABDeviceErrors.h"
#include "ABMidiSystem.h"
#include "ABMmeDevice.h"   // AudioPortEntry
#include "ABPropertyValues.h"
#include "GPError.h"

WinMidi::WinMidi(std::atomic<AbMidiNotify>* notify) : MappedPropertyDevice(KIND_MIDI), m_notify(notify), m_name("WinMidi")
{
    m_writeLock.init();
    properties.addInfo("DeviceName", this, &WinMidi::nameInfo);
    properties.addGet("DeviceName", this, &WinMidi::nameGet);
    properties.addInfo("PortDescription", this, &WinMidi::portInfo);
    properties.addGet("PortDescription", this, &WinMidi::portGet);
    properties.addSet("PortDescription", this, &WinMidi::portSet);
}

WinMidi::~WinMidi()
{
    m_running.store(0);
    open(false);
    m_writeLock.destroy();
}

int WinMidi::open(bool on)
{
    if (!on) {
        for (int i = 0; i < m_inCount; ++i) delete m_inPorts[i];
        for (int i = 0; i < m_outCount; ++i) delete m_outPorts[i];
        delete[] m_inPorts;
        delete[] m_outPorts;
        m_inPorts = nullptr;
        m_outPorts = nullptr;
        m_inCount = m_outCount = 0;
        m_open = 0;
        return AB_OK;
    }
    if (m_open) return AB_OK;
    MidiSystem* sys = abMidiSystem();
    UINT ins = sys->inGetNumDevs(), outs = sys->outGetNumDevs();
    if (ins > 1024) ins = 1024;   // a sane bound on what the system reports
    if (outs > 1024) outs = 1024;
    m_inPorts = ins ? new (std::nothrow) MidiInPort*[ins]() : nullptr;
    m_outPorts = outs ? new (std::nothrow) MidiOutPort*[outs]() : nullptr;
    if ((ins && !m_inPorts) || (outs && !m_outPorts)) {
        delete[] m_inPorts;
        delete[] m_outPorts;
        m_inPorts = nullptr;
        m_outPorts = nullptr;
        return AB_ERR_NOT_OPEN;
    }
    for (UINT i = 0; i < ins; ++i)
        if ((m_inPorts[m_inCount] = new (std::nothrow) MidiInPort(this, i))) ++m_inCount;
    for (UINT i = 0; i < outs; ++i)
        if ((m_outPorts[m_outCount] = new (std::nothrow) MidiOutPort(i))) ++m_outCount;
    m_open = 1;
    return AB_OK;
}

int WinMidi::start(bool on)
{
    m_running.store(on ? 1 : 0, std::memory_order_release);
    return AB_OK;
}

int WinMidi::sendMidi(const MidiRingSlot* slot)
{
    // Negative ports are refused as well as those past the last output.
    if (!slot || slot->port < 0 || slot->port >= m_outCount) return AB_OK;
    m_outPorts[slot->port]->send(slot->data.bytes, slot->length);
    return AB_OK;
}

void WinMidi::notify(const MidiRingSlot* slot)
{
    AbMidiNotify fn = m_notify ? m_notify->load(std::memory_order_acquire) : nullptr;
    // Runs on the system's MIDI callback thread, not the audio thread: the host's notification (and the
    // client's shortMidi / sysEx behind it) is called from here.
    if (fn) fn(slot, 0, callbackUser2, callbackUser1);
}

void WinMidi::deliverInput(MidiPort* port, const uint8_t* data, int length, uint32_t timeMs)
{
    if (!m_running.load(std::memory_order_acquire) || !ring || !ring->slots || !port) return;
    if (length <= 0 || !data) {
        gpDebugPrint("\n!!lost!!");
        return;
    }
    m_writeLock.enter();
    MidiRingSlot* slot = ring->writeSlot();
    slot->spare[0] = slot->spare[1] = 0;
    std::memset(&slot->data, 0, sizeof slot->data);
    if (length <= 4)
        std::memcpy(slot->data.bytes, data, static_cast<size_t>(length));
    else
        slot->data.pointer = data;   // valid only while the notification runs
    slot->length = length;
    slot->port = static_cast<int32_t>(port->systemIndex);
    slot->type = 2;
    slot->time = static_cast<uint64_t>(timeMs) * 1000u;
    m_lastInputTime.store(timeMs, std::memory_order_relaxed);
    ring->publish();
    m_writeLock.leave();
    notify(slot);
}

void WinMidi::deliverSysEx(MidiPort* port, const uint8_t* data, int length)
{
    if (!m_running.load(std::memory_order_acquire) || !port) return;
    MidiRingSlot slot;
    std::memset(&slot, 0, sizeof slot);
    slot.length = length;
    slot.port = static_cast<int32_t>(port->systemIndex);
    // The host tells short messages from SysEx by the length: a SysEx of 4 bytes or fewer carries its
    // bytes inline, where a reader of short messages looks, rather than a pointer it would misread.
    if (length <= 4)
        std::memcpy(slot.data.bytes, data, static_cast<size_t>(length > 0 ? length : 0));
    else
        slot.data.pointer = data;
    notify(&slot);
}

MidiPort* WinMidi::findPort(int32_t index, bool isOutput)
{
    if (index < 0) return nullptr;
    if (isOutput) return index < m_outCount ? m_outPorts[index] : nullptr;
    return index < m_inCount ? m_inPorts[index] : nullptr;
}

int WinMidi::nameInfo(uint32_t* size, uint32_t* changeable)
{
    return textPropertyInfo(m_name, size, changeable);
}

int WinMidi::nameGet(void* buffer, uint32_t* size)
{
    return textPropertyGet(m_name, buffer, size);
}

int WinMidi::portInfo(uint32_t* size, uint32_t* changeable)
{
    if (!m_open || !size) return AB_ERR_NOT_OPEN;
    *size = 4 + 76 * static_cast<uint32_t>(m_inCount + m_outCount);
    if (changeable) *changeable = 1;
    return AB_OK;
}

int WinMidi::portGet(void* buffer, uint32_t* size)
{
    if (!m_open || !size || !buffer || *size < 4) return AB_ERR_NOT_OPEN;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const uint32_t ports = static_cast<uint32_t>(m_inCount + m_outCount);
    if (*size == 4 + 76 * static_cast<uint64_t>(ports)) {
        writeU32(out, 0, ports);
        size_t at = 4;
        for (int dir = 0; dir < 2; ++dir) {
            const int n = dir ? m_outCount : m_inCount;
            for (int i = 0; i < n; ++i, at += 76) {
                MidiPort* p = dir ? static_cast<MidiPort*>(m_outPorts[i]) : static_cast<MidiPort*>(m_inPorts[i]);
                AudioPortEntry e;
                std::memset(&e, 0, sizeof e);
                e.index = i;
                e.isOutput = static_cast<uint8_t>(dir);
                e.active = e.enabled = p->isOpen() ? 1 : 0;
                p->getName(e.name, sizeof e.name);
                std::memcpy(out + at, &e, 76);
            }
        }
        return AB_OK;
    }
    const uint32_t count = readU32(out, 0);
    if (*size == 80 && count == 1) {
        AudioPortEntry e;
        std::memcpy(&e, out + 4, 76);
        MidiPort* p = findPort(e.index, e.isOutput != 0);
        if (!p) return AB_ERR_NOT_OPEN;
        e.active = e.enabled = p->isOpen() ? 1 : 0;
        std::memcpy(out + 4, &e, 76);
        return AB_OK;
    }
    if (*size == 4 + 76 * static_cast<uint64_t>(count)) {
        gpDebugPrint("usw ..... \n");
        return AB_OK;
    }
    return AB_ERR_NOT_OPEN;
}

int WinMidi::portSet(const void* value, uint32_t size)
{
    if (!m_open || !value || size < 80) return AB_ERR_NOT_OPEN;
    const uint32_t count = readU32(value, 0);
    if (size != 4 + 76 * static_cast<uint64_t>(count)) return AB_ERR_NOT_OPEN;
    const uint8_t* in = static_cast<const uint8_t*>(value);
    for (uint32_t i = 0; i < count; ++i) {
        AudioPortEntry e;
        std::memcpy(&e, in + 4 + 76 * static_cast<size_t>(i), 76);
        MidiPort* p = findPort(e.index, e.isOutput != 0);
        if (!p) continue;
        if (!p->setOpen(e.active != 0)) return AB_ERR_NO_DEVICE;
    }
    return AB_OK;
}
