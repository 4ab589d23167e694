// Result codes of the device layer and its drivers: 0 is success, the rest are negative.
#pragma once

enum ABDeviceResult {
  AB_OK = 0,
  AB_ERR_MANAGER_EXISTS = -9364,  // the device manager already exists
  AB_ERR_DEVICE_QUERY = -9365,    // empty device list, bad device index or a failing device query
  AB_ERR_NO_DEVICE = -9366,       // no such device, or a MIDI port that cannot be opened
  AB_ERR_NO_PROPERTY = -9367,     // no such property
  // Failures of single drivers that share that value, which hosts test for: their names say which
  // failure a line reports.
  AB_ERR_STREAM_FAILED = -9367,     // DirectSound could not set up or start its stream (ports, buffer, timer, playback)
  AB_ERR_LATENCY_NOT_OPEN = -9367,  // DirectSound's "Latency" or "SetInLatency" while the device is closed
  AB_ERR_LATENCY_BAD_SIZE = -9367,  // the same with a size (or a missing size or buffer) it cannot take
  AB_ERR_CLOCK_QUERY = -9367,       // the ASIO driver could not list its clock sources
  // The next three share one value, which hosts already test for: their names say which failure a
  // line reports.
  AB_ERR_NOT_OPEN = -9368,     // the device is not open (or not running, for what needs a stream)
  AB_ERR_BAD_VALUE = -9368,    // a size, buffer, index or value that the call cannot take
  AB_ERR_OPEN_FAILED = -9368,  // the device could not open or start (driver, memory, buffer size)
};
