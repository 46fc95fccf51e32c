// controller: plays the remote controller at the far end of Quorlin's link.
// The main thread sends the input lines; a receiver thread prints what the
// host sends. A lost host ends the program from the receiver, because the
// main thread may be blocked reading the console.
#include "../../common/unique_socket.h"
#include "../shared/console.h"
#include "controller_options.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

const char kProgram[] = "controller";

[[noreturn]] void Fail(const std::string& text)
{
    PrintError(kProgram, text);
    ExitProcess(1);
}

// The input: a script read and checked up front, so that a typo is found
// before the host connects, or standard input read line by line.
class Input {
public:
    explicit Input(const std::string& scriptPath) : fromScript_(!scriptPath.empty())
    {
        if (!fromScript_) return;
        FILE* file = std::fopen(scriptPath.c_str(), "rb");
        if (!file) Fail("cannot open script '" + scriptPath + "': " + std::strerror(errno));
        std::string line;
        int number = 0;
        while (ReadLine(file, line)) {
            ++number;
            InputLine parsed = ParseInputLine(line);
            if (parsed.kind == InputLine::Error)
                Fail(scriptPath + ":" + std::to_string(number) + ": " + parsed.text);
            script_.push_back(parsed);
        }
        std::fclose(file);
    }

    // False at the end of the input.
    bool Next(InputLine& line)
    {
        if (fromScript_) {
            if (next_ >= script_.size()) return false;
            line = script_[next_++];
            return true;
        }
        std::string text;
        while (ReadLine(stdin, text)) {
            line = ParseInputLine(text);
            if (line.kind != InputLine::Error) return true;
            PrintError(kProgram, line.text + " (not sent)");
        }
        return false;
    }

private:
    static bool ReadLine(FILE* file, std::string& line)
    {
        line.clear();
        char buffer[512];
        while (std::fgets(buffer, sizeof(buffer), file)) {
            line += buffer;
            if (!line.empty() && line.back() == '\n') {
                line.pop_back();
                return true;
            }
        }
        return !line.empty();
    }

    bool fromScript_;
    std::vector<InputLine> script_;
    size_t next_ = 0;
};

// Sends every input line through send; returns at the end of the input.
template <typename SendFn>
void PlayInput(Input& input, SendFn send)
{
    InputLine line;
    while (input.Next(line)) {
        if (line.kind == InputLine::Pause) {
            Sleep(line.pauseMs);
        } else if (line.kind == InputLine::Send) {
            send(line.text);
            PrintStamped("sent: " + Printable(line.text));
        }
    }
}

std::string AddressText(const sockaddr_in& address)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address.sin_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]) + ":" + std::to_string(ntohs(address.sin_port));
}

std::string SocketErrorText(int code)
{
    switch (code) {
    case WSAEADDRINUSE: return "the address is already in use (error 10048)";
    case WSAEADDRNOTAVAIL: return "that is not an address of this machine (error 10049)";
    case WSAEACCES: return "access denied (error 10013)";
    case WSAECONNRESET: return "the connection was reset (error 10054)";
    case WSAECONNABORTED: return "the connection was aborted (error 10053)";
    default: return SystemErrorText(static_cast<unsigned long>(code));
    }
}

int RunTcp(const ControllerOptions& options, Input& input)
{
    WSADATA data;
    if (int error = WSAStartup(MAKEWORD(2, 2), &data)) Fail("cannot start Windows sockets: " + SystemErrorText(error));

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(options.listenAddress.c_str());
    address.sin_port = htons(static_cast<u_short>(options.port));
    std::string where = options.listenAddress + ":" + std::to_string(options.port);

    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener) Fail("cannot create a socket: " + SocketErrorText(WSAGetLastError()));
    // Without exclusive use Windows lets a second program bind the same port
    // with SO_REUSEADDR and steal the host's connection.
    BOOL exclusive = TRUE;
    setsockopt(listener.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof(exclusive));
    if (bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
        Fail("cannot listen on " + where + ": " + SocketErrorText(WSAGetLastError()));
    if (listen(listener.get(), 1) != 0) Fail("cannot listen on " + where + ": " + SocketErrorText(WSAGetLastError()));
    int length = sizeof(address);
    getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    PrintStamped("listening on " + AddressText(address));

    sockaddr_in peer{};
    int peerLength = sizeof(peer);
    UniqueSocket host(accept(listener.get(), reinterpret_cast<sockaddr*>(&peer), &peerLength));
    if (!host) Fail("cannot accept the host: " + SocketErrorText(WSAGetLastError()));
    listener.reset();  // one host per session
    PrintStamped("host connected from " + AddressText(peer));

    std::mutex endMutex;
    bool inputEnded = false;
    SOCKET hostSocket = host.get();
    std::thread receiver([&] {
        char buffer[4096];
        int n;
        while ((n = recv(hostSocket, buffer, sizeof(buffer), 0)) > 0) PrintStamped("host: " + Printable(std::string(buffer, n)));
        int error = n < 0 ? WSAGetLastError() : 0;
        std::lock_guard<std::mutex> lock(endMutex);
        if (!inputEnded)
            Fail("lost the host: " + (error ? SocketErrorText(error) : std::string("it closed the connection")));
        if (error) PrintStamped("the connection ended: " + SocketErrorText(error));
        else PrintStamped("host closed the connection");
    });

    PlayInput(input, [&](const std::string& text) {
        size_t sent = 0;
        while (sent < text.size()) {
            int n = send(hostSocket, text.data() + sent, static_cast<int>(text.size() - sent), 0);
            if (n <= 0) Fail("lost the host: " + SocketErrorText(WSAGetLastError()));
            sent += static_cast<size_t>(n);
        }
    });
    {
        std::lock_guard<std::mutex> lock(endMutex);
        inputEnded = true;
        PrintStamped("end of input; waiting for the host to close the connection (Ctrl+C ends now)");
    }
    receiver.join();
    return 0;
}

std::string OpenErrorText(const std::string& port, DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return port + " does not exist (error " + std::to_string(error) + ")";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return port + " is busy: another program has it open (error " + std::to_string(error) + ")";
    default:
        return "cannot open " + port + ": " + SystemErrorText(error);
    }
}

// The same line control as Quorlin.dll sets up on its side: RTS handshake,
// DTR raised, no software or CTS/DSR flow control, NUL bytes discarded.
void ConfigurePort(HANDLE port, const std::string& name, const SerialLine& line)
{
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(port, &dcb)) Fail("cannot read the settings of " + name + ": " + SystemErrorText(GetLastError()));
    dcb.BaudRate = line.baudRate;
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    dcb.Parity = static_cast<BYTE>(line.parity);
    dcb.StopBits = static_cast<BYTE>(line.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity > 0;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = TRUE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(port, &dcb))
        Fail(name + " refused the line settings (" + DescribeLine(line) + "): " + SystemErrorText(GetLastError()));

    // Reads return at once with what is buffered, so that the receiver never
    // holds the port while the main thread writes.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!SetCommTimeouts(port, &timeouts)) Fail("cannot set the time-outs of " + name + ": " + SystemErrorText(GetLastError()));
    PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

int RunSerial(const ControllerOptions& options, Input& input)
{
    std::string name = "COM" + std::to_string(options.comPort);
    // Only the device-namespace form opens COM10 and above.
    std::string path = "\\\\.\\" + name;
    UniqueFile port(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!port) Fail(OpenErrorText(name, GetLastError()));
    ConfigurePort(port.get(), name, options.line);
    PrintStamped("opened " + name + " (" + DescribeLine(options.line) + ")");

    HANDLE handle = port.get();
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        // A message arrives in several reads; print it once the line has
        // been quiet for one poll.
        std::string pending;
        while (true) {
            char buffer[128];
            DWORD n = 0;
            if (!ReadFile(handle, buffer, sizeof(buffer), &n, nullptr))
                Fail("lost " + name + ": " + SystemErrorText(GetLastError()));
            pending.append(buffer, n);
            if (n == 0 && !pending.empty()) {
                PrintStamped("host: " + Printable(pending));
                pending.clear();
            }
            if (n == 0 && stop) return;
            if (n == 0) Sleep(20);
        }
    });

    PlayInput(input, [&](const std::string& text) {
        DWORD written = 0;
        if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
            Fail("cannot write to " + name + ": " + SystemErrorText(GetLastError()));
        if (written < text.size()) Fail("cannot write to " + name + ": the write timed out (is the line flow-controlled?)");
    });
    PrintStamped("end of input");
    Sleep(100);  // what the host sent just now is printed before we close
    stop = true;
    receiver.join();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    ControllerOptions options;
    ParseOutcome outcome = ParseControllerArgs(args, options);
    if (outcome.kind == ParseOutcome::Help) {
        std::fputs(kControllerUsage, stdout);
        return 0;
    }
    if (outcome.kind == ParseOutcome::Error) {
        PrintError(kProgram, outcome.error + " (controller --help shows the usage)");
        return 1;
    }
    Input input(options.scriptPath);
    return options.transport == Transport::Tcp ? RunTcp(options, input) : RunSerial(options, input);
}
