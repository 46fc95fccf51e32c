// Serial line settings from the host's codes. Plain code, no system calls.
#ifndef QUORLIN_SERIAL_SETTINGS_H
#define QUORLIN_SERIAL_SETTINGS_H

#include <windows.h>

#include <string>

// 0..4 give 4800, 9600, 19200, 38400, 115200; any other code 9600.
unsigned long BaudRateFromCode(int baudCode);

// Device-namespace name of the port the host's index names ("\\.\COM1" for
// index 0). Only this form opens COM10 and above. Empty for an index that
// names no port Windows can have (COM1 to COM256).
std::string PortNameFromIndex(int portIndex);

struct LineSettings {
    int baudCode;
    int eightDataBits;
    int stopBits;  // stored as given: 0 one, 1 one and a half, 2 two
    int parity;    // stored as given: 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// Writes the line settings and our fixed line-control flags into dcb; every
// other field keeps the value read from the port.
void ApplyLineSettings(const LineSettings& settings, DCB& dcb);

// Reads return at once with whatever is buffered; writes may take 1 s plus
// 10 ms per byte.
void ApplyTimeouts(COMMTIMEOUTS& timeouts);

#endif
