// The WinMidi driver: ports, input into the ring and to the host's notification, output, properties.
#include "ABWinMidi.h"

#include <cstring>
#include <new>

#include "ABDeviceErrors.h"
#include "ABMidiSystem.h"
#include "ABPortEntry.h"
#include "ABPropertyNames.h"
#include "ABPropertyValues.h"
#include "GPError.h"

WinMidi::WinMidi(std::atomic<AbMidiNotify>* notify)
    : MappedPropertyDevice(KIND_MIDI), notify_(notify), name_("WinMidi") {
  writeLock_.init();
  properties_.add(kPropDeviceName, this, &WinMidi::nameInfo, &WinMidi::nameGet);
  properties_.add(kPropPortDescription, this, &WinMidi::portInfo, &WinMidi::portGet, &WinMidi::portSet);
}

WinMidi::~WinMidi() {
  running_.store(0);
  open(false);
  writeLock_.destroy();
}

int WinMidi::open(bool on) {
  if (!on) {
    inPorts_.clear();  // each port closes as it goes
    outPorts_.clear();
    inCount_ = outCount_ = 0;
    open_ = 0;
    return AB_OK;
  }
  if (open_) return AB_OK;
  MidiSystem* sys = abMidiSystem();
  UINT ins = sys->inGetNumDevs(), outs = sys->outGetNumDevs();
  if (ins > 1024) ins = 1024;  // a sane bound on what the system reports
  if (outs > 1024) outs = 1024;
  inPorts_.reserve(ins);
  outPorts_.reserve(outs);
  for (UINT i = 0; i < ins; ++i) {
    std::unique_ptr<MidiInPort> port(new (std::nothrow) MidiInPort(this, i));
    if (port) inPorts_.push_back(std::move(port));
  }
  for (UINT i = 0; i < outs; ++i) {
    std::unique_ptr<MidiOutPort> port(new (std::nothrow) MidiOutPort(i));
    if (port) outPorts_.push_back(std::move(port));
  }
  inCount_ = static_cast<int>(inPorts_.size());
  outCount_ = static_cast<int>(outPorts_.size());
  open_ = 1;
  return AB_OK;
}

int WinMidi::start(bool on) {
  running_.store(on ? 1 : 0, std::memory_order_release);
  return AB_OK;
}

int WinMidi::sendMidi(const MidiRingSlot* slot) {
  // Negative ports are refused as well as those past the last output.
  if (!slot || slot->port < 0 || slot->port >= outCount_) return AB_OK;
  outPorts_[slot->port]->send(slot->data.bytes, slot->length);
  return AB_OK;
}

void WinMidi::notify(const MidiRingSlot* slot) {
  AbMidiNotify fn = notify_ ? notify_->load(std::memory_order_acquire) : nullptr;
  // Runs on the system's MIDI callback thread, not the audio thread: the host's notification (and the
  // client's shortMidi / sysEx behind it) is called from here.
  if (fn) fn(slot, 0, callbackUser2, callbackUser1);
}

void WinMidi::deliverInput(MidiPort* port, const uint8_t* data, int length, uint32_t timeMs) {
  if (!running_.load(std::memory_order_acquire) || !ring || !ring->slots || !port) return;
  if (length <= 0 || !data) {
    gpDebugPrint("\n!!lost!!");
    return;
  }
  writeLock_.enter();
  MidiRingSlot* slot = ring->writeSlot();
  slot->spare[0] = slot->spare[1] = 0;
  std::memset(&slot->data, 0, sizeof slot->data);
  if (length <= 4)
    std::memcpy(slot->data.bytes, data, static_cast<size_t>(length));
  else
    slot->data.pointer = data;  // valid only while the notification runs
  slot->length = length;
  slot->port = static_cast<int32_t>(port->systemIndex);
  slot->type = MIDI_SLOT_RING;
  slot->time = static_cast<uint64_t>(timeMs) * 1000u;
  lastInputTime_.store(timeMs, std::memory_order_relaxed);
  ring->publish();
  writeLock_.leave();
  notify(slot);
}

void WinMidi::deliverSysEx(MidiPort* port, const uint8_t* data, int length) {
  if (!running_.load(std::memory_order_acquire) || !port) return;
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

MidiPort* WinMidi::findPort(int32_t index, bool isOutput) {
  if (index < 0) return nullptr;
  if (isOutput) return index < outCount_ ? outPorts_[index].get() : nullptr;
  return index < inCount_ ? inPorts_[index].get() : nullptr;
}

int WinMidi::nameInfo(uint32_t* size, uint32_t* changeable) { return textPropertyInfo(name_, size, changeable); }

int WinMidi::nameGet(void* buffer, uint32_t* size) { return textPropertyGet(name_, buffer, size); }

int WinMidi::portInfo(uint32_t* size, uint32_t* changeable) {
  if (!open_) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(static_cast<uint32_t>(portListBytes(static_cast<uint32_t>(inCount_ + outCount_))), true,
                           size, changeable);
}

// A port reads as active and enabled while it is open.
int WinMidi::portGet(void* buffer, uint32_t* size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < kRecordCountBytes) return AB_ERR_BAD_VALUE;
  const uint32_t ports = static_cast<uint32_t>(inCount_ + outCount_);
  if (*size == portListBytes(ports)) {
    writeU32(buffer, 0, ports);
    size_t k = 0;
    for (int dir = 0; dir < 2; ++dir) {
      const int n = dir ? outCount_ : inCount_;
      for (int i = 0; i < n; ++i) {
        MidiPort* p = dir ? static_cast<MidiPort*>(outPorts_[i].get()) : static_cast<MidiPort*>(inPorts_[i].get());
        const bool open = p->isOpen();
        AudioPortEntry e = makePortEntry(i, dir == 1, open, open);
        p->getName(e.name, sizeof e.name);
        putPortEntry(buffer, k++, e);
      }
    }
    return AB_OK;
  }
  if (isSinglePortRecord(buffer, *size)) {
    return answerPortRecord(buffer, [this](const AudioPortEntry& e, uint8_t* active, uint8_t* enabled) {
      MidiPort* p = findPort(e.index, e.isOutput != 0);
      if (p) *active = *enabled = p->isOpen() ? 1 : 0;
      return p != nullptr;
    });
  }
  if (*size == portListBytes(readU32(buffer, 0))) {
    gpDebugPrint("usw ..... \n");
    return AB_OK;
  }
  return AB_ERR_BAD_VALUE;
}

// Opens each listed port that its record makes active and closes the others listed; stops at the
// first port that cannot be opened.
int WinMidi::portSet(const void* value, uint32_t size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!isRecordList(value, size)) return AB_ERR_BAD_VALUE;
  const uint32_t count = readU32(value, 0);
  for (uint32_t i = 0; i < count; ++i) {
    const AudioPortEntry e = portEntryAt(value, i);
    MidiPort* p = findPort(e.index, e.isOutput != 0);
    if (!p) continue;
    if (!p->setOpen(e.active != 0)) return AB_ERR_NO_DEVICE;
  }
  return AB_OK;
}
