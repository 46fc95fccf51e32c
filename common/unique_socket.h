// The socket kind of the handle owner; kept apart so that code without
// sockets does not pull in WinSock.
#ifndef VEXO_UNIQUE_SOCKET_H
#define VEXO_UNIQUE_SOCKET_H

#include <winsock2.h>

#include "unique_handle.h"

struct SocketTraits {
    using Value = SOCKET;
    static Value Empty() { return INVALID_SOCKET; }
    static bool Close(Value s) { return closesocket(s) == 0; }
};

using UniqueSocket = UniqueHandle<SocketTraits>;

#endif
