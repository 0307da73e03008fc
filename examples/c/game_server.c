/* game_server.c - waits for a program to connect and plays the example game with it.
 *
 * Build:  cc -std=c99 -D_POSIX_C_SOURCE=200809L game_server.c $(pkg-config --cflags --libs kvn) -pthread
 * Run:    ./game_server [port] [seconds]   then game_client on the same port.
 * Exit status 0 when the whole game went as planned.
 */
#include <stdlib.h>

#include "play_game.h"

int main(int argc, char **argv) {
    int32_t port = argc > 1 ? (int32_t)atoi(argv[1]) : KVN_DEFAULT_PORT;
    int seconds = argc > 2 ? atoi(argv[2]) : 30;
    kvn_events events;
    if (kvn_events_init(&events) != 0) return 1;

    /* Each call listens for about half a second; call again until a peer comes. */
    int32_t r = KVN_NO_PEER;
    for (int tries = 0; r == KVN_NO_PEER && tries < seconds * 2; tries++)
        r = kvn_socket_connect_ex(0, NULL, kvn_events_window(&events), KVN_EVENT_MESSAGE, port);
    if (r != KVN_OK) {
        printf("server: no peer came on port %d (result %d)\n", (int)port, (int)r);
        kvn_events_destroy(&events);
        return 1;
    }
    puts("server: a peer connected");
    int failed = play_game(&events, 0, SERVER, "server", seconds);
    /* The client ends the game and leaves: its link closes after the game end arrived. */
    kvn_event e;
    if (!failed && kvn_events_wait(&events, &e, seconds * 1000) == 1 && e.wparam == KVN_CONNECTION_LOST)
        puts("server: the client left");
    kvn_disconnect(0);
    kvn_events_destroy(&events);
    puts(failed ? "server: the game went wrong" : "server: game over");
    return failed;
}
