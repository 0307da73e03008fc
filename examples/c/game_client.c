/* game_client.c - connects to game_server and plays the example game with it.
 *
 * Build:  cc -std=c99 -D_POSIX_C_SOURCE=200809L game_client.c $(pkg-config --cflags --libs kvn) -pthread
 * Run:    ./game_client [host] [port] [seconds]     (host 127.0.0.1 by default)
 * Exit status 0 when the whole game went as planned.
 */
#include <stdlib.h>
#include <time.h>

#include "play_game.h"

int main(int argc, char **argv) {
    const char *host = argc > 1 ? argv[1] : "127.0.0.1";
    int32_t port = argc > 2 ? (int32_t)atoi(argv[2]) : KVN_DEFAULT_PORT;
    int seconds = argc > 3 ? atoi(argv[3]) : 30;
    kvn_events events;
    if (kvn_events_init(&events) != 0) return 1;

    /* -3: nobody listens yet (the server may still be starting); try again. */
    int32_t r = KVN_CONNECT_FAILED;
    for (int tries = 0; r == KVN_CONNECT_FAILED && tries < seconds * 5; tries++) {
        r = kvn_socket_connect_ex(0, host, kvn_events_window(&events), KVN_EVENT_MESSAGE, port);
        if (r == KVN_CONNECT_FAILED) nanosleep(&(struct timespec){0, 200 * 1000 * 1000}, NULL);
    }
    if (r != KVN_OK) {
        printf("client: could not connect to %s port %d (result %d)\n", host, (int)port, (int)r);
        kvn_events_destroy(&events);
        return 1;
    }
    puts("client: connected");
    int failed = play_game(&events, 0, CLIENT, "client", seconds);
    /* The game end was the last message: disconnecting sends it before closing. */
    kvn_disconnect(0);
    kvn_events_destroy(&events);
    puts(failed ? "client: the game went wrong" : "client: game over");
    return failed;
}
