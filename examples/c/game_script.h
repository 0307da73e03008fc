/* game_script.h - the short game the two example programs play, message by message.
 *
 * Both programs walk the same list: on its own turn a program sends the
 * message, otherwise it waits for it and checks that it arrived as sent.
 * What the numbers mean (a move's time, an accept or end code) is agreed
 * between the two programs; the library only carries them.
 */
#ifndef GAME_SCRIPT_H
#define GAME_SCRIPT_H

#include <stdio.h>
#include <string.h>

#include "kvn.h"

enum side { CLIENT, SERVER };

struct step {
    enum side sender;
    kvn_message message;
};

static kvn_message request(const char *name) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_GAME_REQUEST;
    m.u.game_request.version = 1;
    strncpy(m.u.game_request.name, name, sizeof m.u.game_request.name - 1);
    m.u.game_request.colour = 'W'; /* the requesting program plays white */
    m.u.game_request.thinking_time = 10;
    m.u.game_request.move_count = 75;
    m.u.game_request.side_to_move = 'W'; /* the starting position */
    memset(m.u.game_request.squares, 'z', 20);
    memset(m.u.game_request.squares + 20, 'e', 10);
    memset(m.u.game_request.squares + 30, 'w', 20);
    return m;
}

static kvn_message accept_game(const char *name, int16_t code) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_GAME_ACCEPT;
    strncpy(m.u.game_accept.name, name, sizeof m.u.game_accept.name - 1);
    m.u.game_accept.accept_code = code;
    return m;
}

static kvn_message move(int16_t time, int16_t from, int16_t to, int16_t captured) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_MOVE;
    m.u.move.time = time;
    m.u.move.from_square = from;
    m.u.move.to_square = to;
    if (captured != 0) {
        m.u.move.capture_count = 1;
        m.u.move.captured[0] = captured;
    }
    return m;
}

static kvn_message chat(const char *text) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_CHAT;
    strncpy(m.u.chat.text, text, sizeof m.u.chat.text - 1);
    return m;
}

static kvn_message game_end(int16_t reason, int16_t stop) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_GAME_END;
    m.u.game_end.reason = reason;
    m.u.game_end.stop_code = stop;
    return m;
}

/* Fills `steps` with the game; returns how many there are. */
static int game_script(struct step *steps) {
    int n = 0;
    steps[n++] = (struct step){CLIENT, request("Client")};
    steps[n++] = (struct step){SERVER, accept_game("Server", 0)};
    steps[n++] = (struct step){CLIENT, move(3, 32, 28, 0)};
    steps[n++] = (struct step){SERVER, move(4, 19, 23, 0)};
    steps[n++] = (struct step){CLIENT, move(9, 28, 19, 23)};  /* 28x19, taking the man on 23 */
    steps[n++] = (struct step){SERVER, move(12, 14, 23, 19)}; /* 14x23, taking the man on 19 */
    steps[n++] = (struct step){CLIENT, chat("an even exchange; shall we stop here?")};
    steps[n++] = (struct step){SERVER, chat("agreed, thank you for the game")};
    steps[n++] = (struct step){CLIENT, game_end(0, 0)};
    return n;
}

/* The fields that travel for the message's kind are equal. */
static int same_message(const kvn_message *a, const kvn_message *b) {
    if (a->type != b->type) return 0;
    switch (a->type) {
    case KVN_GAME_REQUEST: return memcmp(&a->u.game_request, &b->u.game_request, sizeof a->u.game_request) == 0;
    case KVN_GAME_ACCEPT: return memcmp(&a->u.game_accept, &b->u.game_accept, sizeof a->u.game_accept) == 0;
    case KVN_MOVE:
        return a->u.move.time == b->u.move.time && a->u.move.from_square == b->u.move.from_square &&
               a->u.move.to_square == b->u.move.to_square && a->u.move.capture_count == b->u.move.capture_count &&
               memcmp(a->u.move.captured, b->u.move.captured,
                      (size_t)a->u.move.capture_count * sizeof a->u.move.captured[0]) == 0;
    case KVN_GAME_END: return memcmp(&a->u.game_end, &b->u.game_end, sizeof a->u.game_end) == 0;
    case KVN_CHAT: return strcmp(a->u.chat.text, b->u.chat.text) == 0;
    default: return 0;
    }
}

static void describe(const char *who, const char *direction, const kvn_message *m) {
    switch (m->type) {
    case KVN_GAME_REQUEST: printf("%s %s game request from %s\n", who, direction, m->u.game_request.name); break;
    case KVN_GAME_ACCEPT:
        printf("%s %s accept from %s, code %d\n", who, direction, m->u.game_accept.name, m->u.game_accept.accept_code);
        break;
    case KVN_MOVE:
        printf("%s %s move %d%c%d\n", who, direction, m->u.move.from_square, m->u.move.capture_count ? 'x' : '-',
               m->u.move.to_square);
        break;
    case KVN_GAME_END:
        printf("%s %s game end %d %d\n", who, direction, m->u.game_end.reason, m->u.game_end.stop_code);
        break;
    case KVN_CHAT: printf("%s %s chat \"%s\"\n", who, direction, m->u.chat.text); break;
    default: printf("%s %s message of type %d\n", who, direction, (int)m->type); break;
    }
    fflush(stdout);
}

#endif /* GAME_SCRIPT_H */
