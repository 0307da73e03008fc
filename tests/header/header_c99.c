/* header_c99.c - the public header compiles alone as strict C99, its record is 131 bytes,
 * and its inline result text tells the roles apart. */
#include "kvn.h"

#include <stdio.h>
#include <string.h>

int main(void) {
    kvn_message message;
    message.type = KVN_MOVE;
    message.u.move.from_square = 32;
    if (sizeof message != 131 || offsetof(kvn_message, u.game_accept.accept_code) != 37) {
        puts("kvn_message layout is wrong");
        return 1;
    }
    /* -4 is a port in use for a server but not for a client. */
    if (strcmp(kvn_connect_result_text(KVN_NONBLOCK_OR_BIND, KVN_ROLE_SERVER), "the port is in use") != 0 ||
        strcmp(kvn_connect_result_text(KVN_NONBLOCK_OR_BIND, KVN_ROLE_CLIENT), "no non-blocking mode") != 0 ||
        strcmp(kvn_connect_result_text(42, KVN_ROLE_SERIAL), "unexpected result") != 0) {
        puts("kvn_connect_result_text gives the wrong text");
        return 1;
    }
    (void)kvn_send_message; /* the functions are declared with the C linkage */
    return message.u.move.from_square == 32 ? 0 : 1;
}
