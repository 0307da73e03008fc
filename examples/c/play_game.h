/* play_game.h - the game loop shared by the two example programs: send on our
 * turn, otherwise wait for the peer's message and check it. */
#ifndef PLAY_GAME_H
#define PLAY_GAME_H

#include "game_script.h"
#include "kvn_events.h"

/* Plays the script on an open link in `slot`; 0 when every message went as
 * planned.  Waits at most `seconds` for each message of the peer. */
static int play_game(kvn_events *events, int32_t slot, enum side me, const char *who, int seconds) {
    struct step steps[16];
    int n = game_script(steps);
    for (int i = 0; i < n; i++) {
        const kvn_message *expected = &steps[i].message;
        if (steps[i].sender == me) {
            kvn_send_message(slot, expected);
            describe(who, "sent", expected);
            continue;
        }
        kvn_event e;
        if (kvn_events_wait(events, &e, seconds * 1000) != 1) {
            printf("%s: nothing arrived for %d s\n", who, seconds);
            return 1;
        }
        if (e.wparam == KVN_CONNECTION_LOST) {
            printf("%s: the link was lost before step %d\n", who, i + 1);
            return 1;
        }
        kvn_message got;
        kvn_receive_message((int32_t)e.slot, &got); /* one fetch per notification */
        describe(who, "received", &got);
        if (!same_message(&got, expected)) {
            printf("%s: step %d did not arrive as sent\n", who, i + 1);
            return 1;
        }
    }
    return 0;
}

#endif /* PLAY_GAME_H */
