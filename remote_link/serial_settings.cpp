#include "serial_settings.h"

unsigned long BaudRateFromCode(int baudCode)
{
    switch (baudCode) {
    case 0: return 4800;
    case 1: return 9600;
    case 2: return 19200;
    case 3: return 38400;
    case 4: return 115200;
    default: return 9600;
    }
}

std::string PortNameFromIndex(int portIndex)
{
    if (portIndex < 0 || portIndex > 255) return std::string();
    return "\\\\.\\COM" + std::to_string(portIndex + 1);
}

void ApplyLineSettings(const LineSettings& settings, DCB& dcb)
{
    dcb.BaudRate = BaudRateFromCode(settings.baudCode);
    dcb.ByteSize = settings.eightDataBits ? 8 : 7;
    dcb.Parity = static_cast<BYTE>(settings.parity & 0xFF);
    dcb.StopBits = static_cast<BYTE>(settings.stopBits & 0xFF);
    dcb.fBinary = 0;
    dcb.fParity = settings.parity > 0 ? 1 : 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = 0;
}

void ApplyTimeouts(COMMTIMEOUTS& timeouts)
{
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 1000;
}
