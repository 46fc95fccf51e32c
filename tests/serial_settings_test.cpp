#include "serial_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(BaudRateFromCode, MapsTheFiveCodesAndFallsBackTo9600)
{
    const std::pair<int, unsigned long> cases[] = {
        {0, 4800}, {1, 9600}, {2, 19200}, {3, 38400}, {4, 115200}, {5, 9600}, {7, 9600}, {-1, 9600}, {115200, 9600},
    };
    for (const auto& c : cases) EXPECT_EQ(BaudRateFromCode(c.first), c.second) << c.first;
}

TEST(PortNameFromIndex, NamesEveryPortWindowsCanHaveAndNothingElse)
{
    const std::pair<int, const char*> cases[] = {
        {0, "\\\\.\\COM1"}, {8, "\\\\.\\COM9"}, {9, "\\\\.\\COM10"}, {10, "\\\\.\\COM11"},
        {255, "\\\\.\\COM256"}, {256, ""}, {-1, ""}, {-2147483647 - 1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PortNameFromIndex(c.first), c.second) << c.first;
}

struct LineCase {
    LineSettings settings;
    DWORD rate;
    BYTE byteSize;
    BYTE stopBits;
    BYTE parity;
    DWORD parityChecking;
};

TEST(ApplyLineSettings, StoresTheHostsCodesAndOurFixedFlags)
{
    const LineCase cases[] = {
        {{1, 1, 0, 0}, 9600, 8, ONESTOPBIT, NOPARITY, 0},
        {{4, 0, 2, 2}, 115200, 7, TWOSTOPBITS, EVENPARITY, 1},
        {{0, 5, 1, 1}, 4800, 8, ONE5STOPBITS, ODDPARITY, 1},
        {{9, 1, 0, 4}, 9600, 8, ONESTOPBIT, SPACEPARITY, 1},
    };
    for (const LineCase& c : cases) {
        DCB dcb;
        memset(&dcb, 0xFF, sizeof(dcb));  // the port's earlier values
        dcb.DCBlength = sizeof(dcb);
        ApplyLineSettings(c.settings, dcb);
        EXPECT_EQ(dcb.BaudRate, c.rate);
        EXPECT_EQ(dcb.ByteSize, c.byteSize);
        EXPECT_EQ(dcb.StopBits, c.stopBits);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.fParity, c.parityChecking);
        EXPECT_EQ(dcb.fBinary, 0u);
        EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
        EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
        EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
        EXPECT_EQ(dcb.fDsrSensitivity, 0u);
        EXPECT_EQ(dcb.fTXContinueOnXoff, 0u);
        EXPECT_EQ(dcb.fOutX, 0u);
        EXPECT_EQ(dcb.fInX, 0u);
        EXPECT_EQ(dcb.fErrorChar, 0u);
        EXPECT_EQ(dcb.fNull, 1u);
        EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
        EXPECT_EQ(dcb.fAbortOnError, 0u);
        EXPECT_EQ(dcb.XonLim, 0xFFFF) << "other fields keep the port's values";
    }
}

}  // namespace
