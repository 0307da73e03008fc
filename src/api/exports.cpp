// exports.cpp - the eight exported functions: the library's only C boundary.
//
// C meets C++ here and nowhere else: raw C arguments become the library's
// types, and new links go to the slot table as owned objects.  The only
// exception that may leave an exported function is std::bad_alloc from a
// connect function, when no memory could be had for a link, and only where the
// platform may throw then (not on Windows, where it is KVN_NO_THREAD).
#include <memory>
#include <new>
#include <utility>

#include "api/slot_table.h"
#include "codec/codec.h"
#include "kvn.h"
#include "serial/conn_nulmodem.h"
#include "tcp/conn_socket.h"

using namespace kvn;

namespace {

constexpr uint16_t default_port = KVN_DEFAULT_PORT;

uint16_t effective_port(int32_t port) {
    return port == 0 ? default_port : static_cast<uint16_t>(static_cast<uint32_t>(port) & 0xFFFFu);
}

// Makes the link object and opens it in the slot.
template <typename Link, typename... Arguments>
int32_t open_new(int32_t slot, kvn_window_handle window, uint32_t message, Arguments &&...arguments) {
    std::unique_ptr<CConnection> link = std::make_unique<Link>(std::forward<Arguments>(arguments)...);
    if (!link) {
        if (platform::may_throw_without_memory()) throw std::bad_alloc();
        return KVN_NO_THREAD;
    }
    return open_in_slot(slot, std::move(link), reinterpret_cast<void *>(window), message);
}

int32_t socket_connect(int32_t slot, const char *host, kvn_window_handle window, uint32_t message, int32_t port,
                       uint16_t ip_version) {
    if (static_cast<uint32_t>(slot) >= slot_count) return KVN_BAD_SLOT;
    return open_new<CConnSocket>(slot, window, message, host, ip_version, effective_port(port));
}

} // namespace

extern "C" {

KVN_API void KVN_CALL kvn_disconnect(int32_t slot) { close_slot(slot); }

KVN_API int32_t KVN_CALL kvn_nulmodem_connect(int32_t slot, int32_t port, kvn_window_handle window, uint32_t message) {
    if (static_cast<uint32_t>(slot) >= slot_count) return KVN_BAD_SLOT;
    return open_new<CConnNulmodem>(slot, window, message, port);
}

KVN_API void KVN_CALL kvn_receive_message(int32_t slot, kvn_message *message) {
    CConnection *connection = connection_in(slot);
    MsgText text;
    if (connection == nullptr || !connection->take_received(text)) {
        if (message != nullptr) message->type = KVN_NONE;
        return;
    }
    if (message != nullptr) decode_message(text.chars, *message);
}

KVN_API void KVN_CALL kvn_send_message(int32_t slot, const kvn_message *message) {
    CConnection *connection = connection_in(slot);
    if (connection == nullptr || message == nullptr) return;
    MsgText text;
    encode_message(*message, text);
    // No exception may cross into a C caller: with no memory for it, the
    // message is dropped, as the header says.
    connection->queue_for_sending(text);
}

KVN_API int32_t KVN_CALL kvn_socket_connect(int32_t slot, const char *host, kvn_window_handle window,
                                            uint32_t message) {
    return socket_connect(slot, host, window, message, 0, 4);
}

KVN_API int32_t KVN_CALL kvn_socket_connect6(int32_t slot, const char *host, kvn_window_handle window,
                                             uint32_t message) {
    return socket_connect(slot, host, window, message, 0, 6);
}

KVN_API int32_t KVN_CALL kvn_socket_connect6_ex(int32_t slot, const char *host, kvn_window_handle window,
                                                uint32_t message, int32_t port) {
    return socket_connect(slot, host, window, message, port, 6);
}

KVN_API int32_t KVN_CALL kvn_socket_connect_ex(int32_t slot, const char *host, kvn_window_handle window,
                                               uint32_t message, int32_t port) {
    return socket_connect(slot, host, window, message, port, 4);
}

} // extern "C"
