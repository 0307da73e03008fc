/* send_move.c - a host that links two slots over loopback, sends a move and prints what arrives.
 *
 * Build:  cc send_move.c $(pkg-config --cflags --libs kvn) -pthread -o send_move
 * Run:    ./send_move [port]          (exit status 0 when the move came through)
 *
 * Slot 0 is the server and slot 1 the client, both in this one process.  A
 * real host has only one of the two and talks to another program.
 */
#define _POSIX_C_SOURCE 200809L

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "kvn.h"

#define MY_MESSAGE 0x8001u /* any number: it comes back as the notification's message */

/* The notification callback runs on a library thread.  It only records the
 * event and wakes the main thread, which does the work: the callback must
 * return promptly and must not call any kvn_ function. */
struct inbox {
    pthread_mutex_t lock;
    pthread_cond_t changed;
    uintptr_t last_wparam;
    intptr_t last_slot;
    int count;
};

static void on_post(kvn_window *self, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    struct inbox *box = self->context;
    if (message != MY_MESSAGE) return;
    pthread_mutex_lock(&box->lock);
    box->last_wparam = wparam;
    box->last_slot = lparam;
    box->count++;
    pthread_cond_broadcast(&box->changed);
    pthread_mutex_unlock(&box->lock);
}

/* Waits up to `seconds` for the inbox to hold at least `n` notifications. */
static int wait_for(struct inbox *box, int n, int seconds) {
    struct timespec deadline;
    int ok;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += seconds;
    pthread_mutex_lock(&box->lock);
    while (box->count < n) {
        if (pthread_cond_timedwait(&box->changed, &box->lock, &deadline) != 0) break;
    }
    ok = box->count >= n;
    pthread_mutex_unlock(&box->lock);
    return ok;
}

static void pause_ms(long ms) {
    struct timespec t;
    t.tv_sec = ms / 1000;
    t.tv_nsec = (ms % 1000) * 1000000L;
    nanosleep(&t, NULL);
}

struct server_job {
    kvn_window *window;
    int32_t port;
    int32_t result;
};

/* A server waits about 500 ms per call for its peer and returns KVN_NO_PEER
 * (-1) when none came, so it runs on a thread of its own and asks again. */
static void *run_server(void *argument) {
    struct server_job *job = argument;
    int tries;
    job->result = KVN_NO_PEER;
    for (tries = 0; tries < 40 && job->result == KVN_NO_PEER; ++tries)
        job->result = kvn_socket_connect_ex(0, NULL, job->window, MY_MESSAGE, job->port);
    return NULL;
}

int main(int argc, char **argv) {
    struct inbox server_box, client_box;
    kvn_window server_window, client_window;
    struct server_job job;
    pthread_t server;
    kvn_message move, received;
    int32_t client = KVN_CONNECT_FAILED;
    int tries, i, ok;

    memset(&server_box, 0, sizeof server_box);
    memset(&client_box, 0, sizeof client_box);
    pthread_mutex_init(&server_box.lock, NULL);
    pthread_cond_init(&server_box.changed, NULL);
    pthread_mutex_init(&client_box.lock, NULL);
    pthread_cond_init(&client_box.changed, NULL);
    /* The windows must outlive the links that post to them. */
    server_window.post = on_post;
    server_window.context = &server_box;
    client_window.post = on_post;
    client_window.context = &client_box;

    job.window = &server_window;
    job.port = argc > 1 ? atoi(argv[1]) : 0; /* 0 means the default port 27531 */
    job.result = KVN_NO_PEER;
    if (pthread_create(&server, NULL, run_server, &job) != 0) return 1;

    /* The client is refused (-3) until the server listens. */
    for (tries = 0; tries < 400 && client == KVN_CONNECT_FAILED; ++tries) {
        client = kvn_socket_connect_ex(1, "127.0.0.1", &client_window, MY_MESSAGE, job.port);
        if (client == KVN_CONNECT_FAILED) pause_ms(50);
    }
    pthread_join(server, NULL);
    if (client != KVN_OK || job.result != KVN_OK) {
        fprintf(stderr, "connect failed: client %d, server %d\n", (int)client, (int)job.result);
        kvn_disconnect(0);
        kvn_disconnect(1);
        return 1;
    }

    /* White's man on 33 takes 28 and 17 and lands on 11, after 42 seconds. */
    memset(&move, 0, sizeof move);
    move.type = KVN_MOVE;
    move.u.move.time = 42;
    move.u.move.from_square = 33;
    move.u.move.to_square = 11;
    move.u.move.capture_count = 2;
    move.u.move.captured[0] = 28;
    move.u.move.captured[1] = 17;
    kvn_send_message(1, &move); /* queued; the library sends it within about 100 ms */

    ok = wait_for(&server_box, 1, 20);
    if (!ok || server_box.last_wparam != KVN_MOVE || server_box.last_slot != 0) {
        fprintf(stderr, "no move notification on slot 0\n");
        kvn_disconnect(1);
        kvn_disconnect(0);
        return 1;
    }
    kvn_receive_message(0, &received); /* one fetch per notification */
    printf("slot 0 received type %d: %d-%d, time %d, %d captured:", (int)received.type, received.u.move.from_square,
           received.u.move.to_square, received.u.move.time, received.u.move.capture_count);
    for (i = 0; i < received.u.move.capture_count; ++i) printf(" %d", received.u.move.captured[i]);
    printf("\n");

    ok = received.type == KVN_MOVE && received.u.move.from_square == 33 && received.u.move.to_square == 11 &&
         received.u.move.time == 42 && received.u.move.capture_count == 2 && received.u.move.captured[0] == 28 &&
         received.u.move.captured[1] == 17;

    /* Every slot is disconnected before the program ends. */
    kvn_disconnect(1);
    kvn_disconnect(0);
    return ok ? 0 : 1;
}
