// The flat interface of the device layer over the one device manager of the process.
#include "ABDevice.h"

#include <memory>
#include <new>

#include "ABDeviceManager.h"
#include "ABPropertyNames.h"

namespace {
// The manager between abDevCreate and abDevDestroy (which owns it while it is deleted); one left
// at the process's end is not deleted then.
DeviceManager* g_manager = nullptr;
}  // namespace

DeviceManager* abDeviceManager() { return g_manager; }

int abDevCreate(uint32_t, void* systemHandle) {
  if (g_manager) return AB_ERR_MANAGER_EXISTS;
  std::unique_ptr<DeviceManager> m(new (std::nothrow) DeviceManager(systemHandle));
  if (!m) return AB_ERR_DEVICE_QUERY;
  if (!m->create()) return AB_ERR_DEVICE_QUERY;
  g_manager = m.release();
  return AB_OK;
}

int abDevDestroy() {
  // Taken out first: while the manager goes, the flat functions find none.
  std::unique_ptr<DeviceManager> m(g_manager);
  g_manager = nullptr;
  m.reset();
  return AB_OK;
}

int abDevSetClient(AudioDeviceClient* client) {
  if (!g_manager) return AB_OK;
  g_manager->client = client;
  for (AudioMidiDevice* d : g_manager->devices)
    if (d->kind == AudioMidiDevice::KIND_AUDIO && d->isOpen()) d->setClient(client);
  return AB_OK;
}

namespace {
// Calls f(device) for the device with the id: 0 without a manager, AB_ERR_NO_DEVICE for an unknown id.
template <class F>
int withDevice(uint32_t id, F f) {
  if (!g_manager) return AB_OK;
  AudioMidiDevice* d = g_manager->findDevice(id);
  return d ? f(d) : AB_ERR_NO_DEVICE;
}

// The same for a named property of the device: AB_ERR_NO_PROPERTY without a name.
template <class F>
int withDeviceProperty(const char* name, uint32_t id, F f) {
  return withDevice(id, [&](AudioMidiDevice* d) { return name ? f(d) : AB_ERR_NO_PROPERTY; });
}
}  // namespace

int abDevGetPropertyInfo(const char* name, uint32_t id, uint32_t* size, uint32_t* changeable) {
  return withDeviceProperty(name, id, [&](AudioMidiDevice* d) { return d->getPropertyInfo(name, size, changeable); });
}

int abDevSetProperty(const char* name, uint32_t id, const void* value, uint32_t size) {
  return withDeviceProperty(name, id, [&](AudioMidiDevice* d) {
    const int result = d->setProperty(name, value, size);
    if (d->kind == AudioMidiDevice::KIND_AUDIO) g_manager->callListener(name, id);
    return result;
  });
}

int abDevGetProperty(const char* name, uint32_t id, void* buffer, uint32_t* size) {
  return withDeviceProperty(name, id, [&](AudioMidiDevice* d) { return d->getProperty(name, buffer, size); });
}

int abGetPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) {
  if (!g_manager) return AB_OK;
  return g_manager->properties.callInfo(name, size, changeable);
}

int abGetProperty(const char* name, void* buffer, uint32_t* size) {
  if (!g_manager) return AB_OK;
  return g_manager->properties.callGet(name, buffer, size);
}

int abDevOpen(uint32_t id, bool on) {
  return withDevice(id, [&](AudioMidiDevice* d) {
    const int result = d->open(on);
    d->setClient(g_manager->client);
    g_manager->callListener(kListenerAcquire, id);
    return result;
  });
}

int abDevIsOpen(uint32_t id) {
  return withDevice(id, [](AudioMidiDevice* d) { return d->isOpen() ? 1 : 0; });
}

int abDevStart(uint32_t id, bool on) {
  return withDevice(id, [&](AudioMidiDevice* d) {
    const int result = d->start(on);
    g_manager->callListener(kListenerPrime, id);
    return result;
  });
}

int abDevIsRunning(uint32_t id) {
  return withDevice(id, [](AudioMidiDevice* d) { return d->isRunning() ? 1 : 0; });
}

int abDevSetCallback(uint32_t id, AbBlockCallback callback, void* user2, void* user1) {
  return withDevice(id, [&](AudioMidiDevice* d) {
    d->callback = callback;
    d->callbackUser2 = user2;
    d->callbackUser1 = user1;
    return AB_OK;
  });
}

int abSendMidi(const MidiRingSlot* slot) {
  if (!g_manager) return AB_OK;
  if (!g_manager->midiDevice) return AB_ERR_NO_DEVICE;
  return g_manager->midiDevice->sendMidi(slot);
}

int abSetMidiNotify(AbMidiNotify notify) {
  if (!g_manager) return AB_OK;
  g_manager->midiNotify.store(notify, std::memory_order_release);
  return AB_OK;
}

int abGetDefaultDevice(uint32_t* id) {
  if (!g_manager) return AB_OK;
  if (id) *id = g_manager->defaultDevice;
  return AB_OK;
}

uint32_t abDevAddTestDevice(AudioMidiDevice* device) {
  if (!g_manager) {
    std::unique_ptr<AudioMidiDevice> unowned(device);
    return 0;
  }
  return g_manager->addDevice(device);
}
