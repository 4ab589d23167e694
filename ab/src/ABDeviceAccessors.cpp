// Device lists and names through the flat device interface.
#include "ABDeviceAccessors.h"

#include "ABAudioEngine.h"
#include "ABDevice.h"
#include "ABPropertyNames.h"
#include "ABPropertyValues.h"

#include <cstring>

namespace {
int listDevices(const char* property, std::vector<uint32_t>* list) {
  if (!list) return AB_ERR_DEVICE_QUERY;
  list->clear();
  uint32_t size = 0, changeable = 0;
  int err = abGetPropertyInfo(property, &size, &changeable);
  if (err != AB_OK) return err;
  if (size / 4 == 0) return AB_ERR_DEVICE_QUERY;
  std::vector<uint32_t> ids(size / 4);
  size = static_cast<uint32_t>(ids.size() * 4);
  err = abGetProperty(property, ids.data(), &size);
  if (err != AB_OK) return err;
  ids.resize(size / 4);
  if (ids.empty()) return AB_ERR_DEVICE_QUERY;
  int last = AB_OK;
  for (uint32_t id : ids) {
    std::string name;
    int e = deviceName(id, &name);
    if (e == AB_OK)
      list->push_back(id);
    else
      last = e;
  }
  return last;
}
}  // namespace

int listAudioDevices(std::vector<uint32_t>* list) { return listDevices(kPropAudioDeviceList, list); }

int listMidiDevices(std::vector<uint32_t>* list) { return listDevices(kPropMidiDeviceList, list); }

int deviceName(uint32_t id, std::string* name) {
  if (!name) return AB_ERR_BAD_VALUE;
  name->clear();
  uint32_t size = 0, changeable = 0;
  int err = abDevGetPropertyInfo(kPropDeviceName, id, &size, &changeable);
  if (err != AB_OK) return err;
  if (size == 0) return AB_OK;
  std::string buffer(size, '\0');
  uint32_t got = size;
  err = abDevGetProperty(kPropDeviceName, id, &buffer[0], &got);
  if (err != AB_OK) return err;
  if (got > size) got = size;
  buffer.resize(got);
  const size_t end = buffer.find('\0');
  if (end != std::string::npos) buffer.resize(end);
  *name = buffer;
  return AB_OK;
}

// ---- properties of one device

namespace {

// A property read in two steps into bytes; the error code.
int readVariable(const char* property, uint32_t id, std::vector<uint8_t>* bytes) {
  bytes->clear();
  uint32_t size = 0, changeable = 0;
  int err = abDevGetPropertyInfo(property, id, &size, &changeable);
  if (err != AB_OK) return err;
  if (size == 0 || size > (1u << 24)) return AB_ERR_BAD_VALUE;
  bytes->assign(size, 0);
  uint32_t got = size;
  err = abDevGetProperty(property, id, bytes->data(), &got);
  if (err != AB_OK) {
    bytes->clear();
    return err;
  }
  return AB_OK;
}

int readI32(const char* property, uint32_t id, int32_t* value) {
  int32_t v = 0;
  uint32_t size = 4;
  const int err = abDevGetProperty(property, id, &v, &size);
  if (err == AB_OK) *value = v;
  return err;
}

uint32_t u32At(const std::vector<uint8_t>& b, size_t offset) {
  uint32_t v = 0;
  if (offset + 4 <= b.size()) std::memcpy(&v, b.data() + offset, 4);
  return v;
}

int sendPortRecord(const char* property, uint32_t id, int index, bool isOutput, bool enabled, bool active) {
  uint8_t record[kPortRecordBytes];
  writeU32(record, 0, 1);
  putPortEntry(record, 0, makePortEntry(index, isOutput, active, enabled));
  return abDevSetProperty(property, id, record, sizeof record);
}

bool rangeOf(const char* property, uint32_t id, int* low, int* high) {
  uint32_t size = 0, changeable = 0;
  if (abDevGetPropertyInfo(property, id, &size, &changeable) != AB_OK || size < 12) return false;
  int32_t words[3] = {0, 0, 0};
  uint32_t got = 12;
  if (abDevGetProperty(property, id, words, &got) != AB_OK) return false;
  if (low) *low = words[1];
  if (high) *high = words[2];
  return true;
}

// The device's port records of one direction, in list order. Entries beyond what the buffer holds
// are not read, whatever the count word says. false when the list cannot be read.
bool readPorts(uint32_t id, bool isOutput, std::vector<AudioPortEntry>* ports) {
  std::vector<uint8_t> b;
  if (readVariable(kPropPortDescription, id, &b) != AB_OK) return false;
  const uint64_t listed = u32At(b, 0);
  const uint64_t room = b.size() >= kRecordCountBytes ? (b.size() - kRecordCountBytes) / sizeof(AudioPortEntry) : 0;
  const uint64_t n = listed < room ? listed : room;
  for (uint64_t i = 0; i < n; ++i) {
    const AudioPortEntry e = portEntryAt(b.data(), i);
    if ((e.isOutput != 0) == isOutput) ports->push_back(e);
  }
  return true;
}

bool known(const char* property, uint32_t id, bool* changeable) {
  uint32_t size = 0, c = 0;
  if (abDevGetPropertyInfo(property, id, &size, &c) != AB_OK) return false;
  if (changeable) *changeable = c != 0;
  return true;
}

}  // namespace

int deviceKind(uint32_t id) {
  uint32_t words[2] = {0, 0};
  uint32_t size = 8;
  const int err = abDevGetProperty(kPropDeviceDescription, id, words, &size);
  if (err != AB_OK) return err;
  return static_cast<int>(words[1]);
}

int portCount(uint32_t id, bool isOutput) {
  std::vector<AudioPortEntry> ports;
  if (!readPorts(id, isOutput, &ports)) return 0;
  return static_cast<int>(ports.size());
}

bool portName(uint32_t id, bool isOutput, int index, std::string* name) {
  if (!name) return false;
  name->clear();
  if (index < 0) return false;
  std::vector<AudioPortEntry> ports;
  if (!readPorts(id, isOutput, &ports) || static_cast<size_t>(index) >= ports.size()) return false;
  AudioPortEntry& e = ports[static_cast<size_t>(index)];
  e.name[sizeof e.name - 1] = 0;
  *name = e.name;
  return true;
}

int setPortDescription(uint32_t id, int index, bool isOutput, bool enabled, bool active) {
  return sendPortRecord(kPropPortDescription, id, index, isOutput, enabled, active);
}

int setPortActive(uint32_t id, int index, bool isOutput, bool on) {
  return sendPortRecord(kPropActiveAudioPort, id, index, isOutput, false, on);
}

int setPortEnabled(uint32_t id, int index, bool isOutput, bool on) {
  return sendPortRecord(kPropEnableAudioPort, id, index, isOutput, on, false);
}

int listSampleRates(uint32_t id, std::vector<int>* list, AudioEngine* engine) {
  if (!list) return AB_ERR_BAD_VALUE;
  list->clear();
  std::vector<uint8_t> b;
  const int err = readVariable(kPropSampleRateList, id, &b);
  if (err != AB_OK) return err;
  const uint64_t listed = u32At(b, 0);
  const uint64_t room = (b.size() - 4) / 4;
  const uint64_t n = listed < room ? listed : room;
  for (uint64_t i = 0; i < n; ++i) {
    const int rate = static_cast<int32_t>(u32At(b, 4 + 4 * i));
    if (rate <= 0) continue;
    if (!engine || engine->canUseDeviceRate(rate)) list->push_back(rate);
  }
  return AB_OK;
}

bool latencyRange(uint32_t id, int* low, int* high) { return rangeOf(kPropLatency, id, low, high); }

bool inputLatencyRange(uint32_t id, int* low, int* high) { return rangeOf(kPropSetInLatency, id, low, high); }

int listInputDevices(uint32_t id, std::vector<AudioInDeviceEntry>* list) {
  if (!list) return AB_ERR_BAD_VALUE;
  list->clear();
  std::vector<uint8_t> b;
  const int err = readVariable(kPropAudioInDeviceList, id, &b);
  if (err != AB_OK) return err;
  for (size_t at = 0; at + sizeof(AudioInDeviceEntry) <= b.size(); at += sizeof(AudioInDeviceEntry)) {
    AudioInDeviceEntry e;
    std::memcpy(&e, b.data() + at, sizeof e);
    e.name[sizeof e.name - 1] = 0;
    list->push_back(e);
  }
  return AB_OK;
}

int deviceSampleRate(uint32_t id) {
  int32_t rate = 0;
  if (readI32(kPropSampleRate, id, &rate) != AB_OK || rate <= 0) return 44100;
  return rate;
}

int deviceLatency(uint32_t id) {
  int32_t v = 0;
  return readI32(kPropLatency, id, &v) == AB_OK ? v : 0;
}

int deviceInputLatency(uint32_t id) {
  int32_t v = 0;
  return readI32(kPropSetInLatency, id, &v) == AB_OK ? v : 0;
}

int deviceBufferSize(uint32_t id) {
  int32_t v = 0;
  return readI32(kPropBufferSize, id, &v) == AB_OK ? v : 0;
}

bool hasControlPanel(uint32_t id) { return known(kPropControlPanel, id, nullptr); }

bool controlPanelSet(uint32_t id) {
  int32_t v = 0;
  return readI32(kPropControlPanel, id, &v) == AB_OK && v != 0;
}

bool hasLatency(uint32_t id, bool* changeable) { return known(kPropLatency, id, changeable); }

bool hasInputLatency(uint32_t id, bool* changeable) { return known(kPropSetInLatency, id, changeable); }

bool hasBufferSize(uint32_t id) { return known(kPropBufferSize, id, nullptr); }

int setInputLatency(uint32_t id, int ms) {
  const int32_t v = ms;
  return abDevSetProperty(kPropSetInLatency, id, &v, 4);
}

int activeInputDevice(uint32_t id, AudioInDeviceEntry* entry) {
  if (!entry) return AB_ERR_BAD_VALUE;
  AudioInDeviceEntry e;
  std::memset(&e, 0, sizeof e);
  uint32_t size = sizeof e;
  const int err = abDevGetProperty(kPropActiveAudioInDevice, id, &e, &size);
  if (err != AB_OK) return err;
  e.name[sizeof e.name - 1] = 0;
  *entry = e;
  return AB_OK;
}

int selectInputDevice(uint32_t id, const AudioInDeviceEntry* entry) {
  if (!entry) return AB_ERR_BAD_VALUE;
  return abDevSetProperty(kPropAudioInDevice, id, entry, sizeof *entry);
}

int defaultDevice() {
  uint32_t id = 0;
  abGetDefaultDevice(&id);
  return id ? static_cast<int>(id) : -1;
}
