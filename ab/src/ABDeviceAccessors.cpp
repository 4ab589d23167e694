// Device lists and names through the flat device interface.
#include "ABDeviceAccessors.h"

#include "ABDevice.h"

namespace {
int listDevices(const char* property, std::vector<uint32_t>* list)
{
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

int listAudioDevices(std::vector<uint32_t>* list) { return listDevices("AudioDeviceList", list); }

int listMidiDevices(std::vector<uint32_t>* list) { return listDevices("MIDIDeviceList", list); }

int deviceName(uint32_t id, std::string* name)
{
    if (!name) return AB_ERR_NOT_OPEN;
    name->clear();
    uint32_t size = 0, changeable = 0;
    int err = abDevGetPropertyInfo("DeviceName", id, &size, &changeable);
    if (err != AB_OK) return err;
    if (size == 0) return AB_OK;
    std::string buffer(size, '\0');
    uint32_t got = size;
    err = abDevGetProperty("DeviceName", id, &buffer[0], &got);
    if (err != AB_OK) return err;
    if (got > size) got = size;
    buffer.resize(got);
    const size_t end = buffer.find('\0');
    if (end != std::string::npos) buffer.resize(end);
    *name = buffer;
    return AB_OK;
}
