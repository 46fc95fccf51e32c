// Quorlin.dll: drives a host tool from a remote test controller over a TCP
// client connection or a serial port. The one header a host includes.
//
// Text is std::string (8-bit bytes with a stored length). Hosts built with
// another C++ runtime cannot share it: build the host with the same
// MinGW-w64 g++ (libstdc++, new string ABI).
#ifndef QUORLIN_EXPORTS_H
#define QUORLIN_EXPORTS_H

#include <string>

#ifdef QUORLIN_BUILDING_DLL
#define QUORLIN_API __declspec(dllexport)
#else
#define QUORLIN_API __declspec(dllimport)
#endif

// What a received message asked for. 9 to 19 are never produced.
enum CALLBACKCOMMAND {
    CMD_AUTO_DOWNLOAD = 0,
    CMD_DOWNLOADOK = 1,
    CMD_START_TEST = 2,
    CMD_TIME_OUT = 3,
    CMD_TEST_DONE = 4,
    CMD_AUTO_DOWNLOAD_PASS = 5,
    CMD_AUTO_DOWNLOAD_FAIL = 6,
    CMD_RESET_HUB = 7,
    CMD_MKB_ERROR = 8,
    CMD_NONE = 20
};

// Called on the library's receive worker thread, once per message. argument
// points to a NUL-terminated text that is valid only during the call. The
// result is ignored. The worker reads nothing more until the callback returns.
typedef unsigned char (*RecvCallback)(CALLBACKCOMMAND command, void* argument);

// TCP client link. The address is dotted-decimal IPv4 text.
QUORLIN_API bool uInitialClient(char* serverAddress, int port);
QUORLIN_API bool uSendViaLan(std::string text);
QUORLIN_API void uRecvFromServer(std::string& initial, RecvCallback callback);
QUORLIN_API bool uCloseConnection();

// Serial link. portIndex 0 is COM1; baudCode 0..4 is 4800, 9600, 19200,
// 38400, 115200 (others 9600); stopBits 0/1/2 is 1/1.5/2; parity 0..4 is
// none, odd, even, mark, space.
QUORLIN_API bool uInitialCom(int portIndex, int baudCode, int eightDataBits, int stopBits, int parity);
QUORLIN_API bool uSendViaCom(std::string text);
QUORLIN_API void uRecvFromCom(std::string& initial, RecvCallback callback);
QUORLIN_API bool uCloseCom();

// For hosts that bind with GetProcAddress: the exported (decorated) names
// and the matching pointer types.
namespace quorlin {

constexpr char kInitialClientName[] = "_Z14uInitialClientPci";
constexpr char kSendViaLanName[] = "_Z11uSendViaLanNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE";
constexpr char kRecvFromServerName[] =
    "_Z15uRecvFromServerRNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEPFh15CALLBACKCOMMANDPvE";
constexpr char kCloseConnectionName[] = "_Z16uCloseConnectionv";
constexpr char kInitialComName[] = "_Z11uInitialComiiiii";
constexpr char kSendViaComName[] = "_Z11uSendViaComNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE";
constexpr char kRecvFromComName[] =
    "_Z12uRecvFromComRNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEPFh15CALLBACKCOMMANDPvE";
constexpr char kCloseComName[] = "_Z9uCloseComv";

using InitialClientFn = bool (*)(char*, int);
using SendTextFn = bool (*)(std::string);
using RecvStartFn = void (*)(std::string&, RecvCallback);
using CloseFn = bool (*)();
using InitialComFn = bool (*)(int, int, int, int, int);

}  // namespace quorlin

#endif
