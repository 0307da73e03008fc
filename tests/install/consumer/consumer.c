/* consumer.c - a minimal host built against an installed kvn: it must compile, link and run. */
#include <kvn.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    kvn_message m;
    int32_t port = argc > 1 ? atoi(argv[1]) : 29301;
    int32_t r = KVN_NONBLOCK_OR_BIND;
    int tries;

    if (kvn_socket_connect(3, NULL, NULL, 0) != KVN_BAD_SLOT) {
        puts("slot 3 was not refused");
        return 1;
    }
    memset(&m, 0x55, sizeof m);
    kvn_receive_message(0, &m);
    if (m.type != KVN_NONE) {
        puts("a free slot delivered a message");
        return 1;
    }
    /* A server nobody comes to gives up after its accept window; skip ports in use. */
    for (tries = 0; tries < 20 && r == KVN_NONBLOCK_OR_BIND; ++tries)
        r = kvn_socket_connect_ex(0, "", NULL, 0, port + tries);
    kvn_disconnect(0);
    if (r != KVN_NO_PEER) {
        printf("lonely server returned %d, not -1\n", (int)r);
        return 1;
    }
    puts("installed kvn works");
    return 0;
}
