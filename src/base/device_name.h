// Names that Windows opens as a device whatever folder they stand in.
#ifndef AZ_BASE_DEVICE_NAME_H
#define AZ_BASE_DEVICE_NAME_H

// 1 when the path component [begin, end) names a device: "CON", "nul.txt",
// "COM1 .log", "CONIN$" (the part before the first dot, trailing blanks
// dropped, ignoring case); 0 otherwise.
int namesDevice(const char* begin, const char* end);

#endif
