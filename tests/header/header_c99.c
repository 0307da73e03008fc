/* header_c99.c - the public header compiles alone as strict C99 and its record is 131 bytes. */
#include "kvn.h"

#include <stdio.h>

int main(void) {
    kvn_message message;
    message.type = KVN_MOVE;
    message.u.move.from_square = 32;
    if (sizeof message != 131 || offsetof(kvn_message, u.game_accept.accept_code) != 37) {
        puts("kvn_message layout is wrong");
        return 1;
    }
    (void)kvn_send_message; /* the functions are declared with the C linkage */
    return message.u.move.from_square == 32 ? 0 : 1;
}
