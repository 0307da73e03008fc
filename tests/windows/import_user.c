/* import_user.c - a C host linked against the DLL's import library rather than loading it by hand. */
#include "kvn.h"

#include <stdio.h>

int main(void) {
    kvn_message message;
    message.type = KVN_MOVE;
    kvn_receive_message(0, &message); /* a free slot: only the type is set, to 0 */
    kvn_disconnect(0);
    if (kvn_socket_connect(3, "", NULL, 0) != KVN_BAD_SLOT || message.type != KVN_NONE) {
        puts("import library host: FAILED");
        return 1;
    }
    puts("import library host: ok");
    return 0;
}
