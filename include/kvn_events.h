/* kvn_events.h - a ready notification queue for C hosts on POSIX systems (header only).
 *
 * The library calls a kvn_window's `post` on its own threads, and `post` must
 * return at once.  This header gives a host a kvn_window whose `post` never
 * blocks and never drops an event, and three ways to take the events on the
 * host's own thread:
 *
 *   kvn_events events;
 *   if (kvn_events_init(&events) != 0) ...;            // errno says why
 *   kvn_socket_connect(0, "192.0.2.7", kvn_events_window(&events), KVN_EVENT_MESSAGE);
 *   kvn_event e;
 *   while (kvn_events_wait(&events, &e, 1000) == 1) {   // up to 1000 ms; -1 waits for ever
 *       if (e.wparam == KVN_CONNECTION_LOST) break;
 *       kvn_message m;
 *       kvn_receive_message((int32_t)e.slot, &m);       // one fetch per event
 *   }
 *   kvn_disconnect(0);                                  // first: no post can come after it
 *   kvn_events_destroy(&events);
 *
 * - kvn_events_fd() is a descriptor that is readable while events wait, for
 *   a poll()/select() loop; take them with kvn_events_take().
 * - One kvn_events may serve all three slots: e.slot says which one.
 * - The queue grows as needed (the library holds back a peer that floods, so
 *   it stays small); if memory runs out, post counts the event in `lost`
 *   instead of blocking.
 *
 * Needs POSIX.1-2008: compile with -D_POSIX_C_SOURCE=200809L (or the
 * compiler's GNU mode) and link with -pthread.  Not for Windows, where the
 * library posts to a window instead.  C99 and C++. */
#ifndef KVN_EVENTS_H
#define KVN_EVENTS_H

#include "kvn.h"

#if defined(_WIN32)
#  error "kvn_events.h is for POSIX hosts; Windows hosts are notified through their window"
#endif

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The message number given to the connect functions; any value will do, the
 * queue keeps whatever the library passes. */
#define KVN_EVENT_MESSAGE 0x8001u

typedef struct kvn_event {
    uint32_t message; /* the number given to the connect function */
    uintptr_t wparam; /* 1..7 a message waits (0: one of no known kind), 100 the link was lost */
    intptr_t slot;    /* 0, 1 or 2 */
} kvn_event;

typedef struct kvn_events {
    kvn_window window; /* first, so that the window is the queue */
    pthread_mutex_t lock;
    int fds[2]; /* a pipe holding one byte while events wait */
    kvn_event *ring;
    size_t capacity, head, count;
    unsigned long lost; /* events dropped because memory ran out (should stay 0) */
} kvn_events;

/* Runs on a library thread. */
static inline void kvn_events_post_(kvn_window *window, uint32_t message, uintptr_t wparam, intptr_t slot) {
    kvn_events *q = (kvn_events *)window;
    pthread_mutex_lock(&q->lock);
    if (q->count == q->capacity) {
        size_t grown = q->capacity ? q->capacity * 2 : 64;
        kvn_event *ring = (kvn_event *)malloc(grown * sizeof *ring);
        if (ring == NULL) {
            q->lost++;
            pthread_mutex_unlock(&q->lock);
            return;
        }
        for (size_t i = 0; i < q->count; i++) ring[i] = q->ring[(q->head + i) % q->capacity];
        free(q->ring);
        q->ring = ring;
        q->capacity = grown;
        q->head = 0;
    }
    kvn_event *e = &q->ring[(q->head + q->count) % q->capacity];
    e->message = message;
    e->wparam = wparam;
    e->slot = slot;
    if (q->count++ == 0) {
        /* The pipe is empty whenever the queue is, so this byte always fits. */
        char byte = 1;
        ssize_t written = write(q->fds[1], &byte, 1);
        (void)written;
    }
    pthread_mutex_unlock(&q->lock);
}

/* 0 on success; -1 with errno set when no pipe could be made. */
static inline int kvn_events_init(kvn_events *q) {
    memset(q, 0, sizeof *q);
    if (pipe(q->fds) != 0) return -1;
    for (int i = 0; i < 2; i++) {
        fcntl(q->fds[i], F_SETFD, FD_CLOEXEC);
        fcntl(q->fds[i], F_SETFL, fcntl(q->fds[i], F_GETFL) | O_NONBLOCK);
    }
    int err = pthread_mutex_init(&q->lock, NULL);
    if (err != 0) {
        close(q->fds[0]);
        close(q->fds[1]);
        errno = err;
        return -1;
    }
    q->window.post = kvn_events_post_;
    q->window.context = q;
    return 0;
}

/* The window to pass to the connect functions. */
static inline kvn_window *kvn_events_window(kvn_events *q) { return &q->window; }

/* Readable while at least one event waits. */
static inline int kvn_events_fd(const kvn_events *q) { return q->fds[0]; }

/* Takes the oldest event without waiting: 1 taken, 0 none waiting. */
static inline int kvn_events_take(kvn_events *q, kvn_event *out) {
    int taken = 0;
    pthread_mutex_lock(&q->lock);
    if (q->count > 0) {
        *out = q->ring[q->head];
        q->head = (q->head + 1) % q->capacity;
        if (--q->count == 0) {
            char byte;
            ssize_t got = read(q->fds[0], &byte, 1);
            (void)got;
        }
        taken = 1;
    }
    pthread_mutex_unlock(&q->lock);
    return taken;
}

/* Takes the oldest event, waiting up to timeout_ms milliseconds for one
 * (-1: without limit).  1 taken, 0 none came in time, -1 poll() failed (errno). */
static inline int kvn_events_wait(kvn_events *q, kvn_event *out, int timeout_ms) {
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (kvn_events_take(q, out)) return 1;
        int left = -1;
        if (timeout_ms >= 0) {
            clock_gettime(CLOCK_MONOTONIC, &now);
            long spent = (long)(now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            if (spent >= timeout_ms) return 0;
            left = (int)(timeout_ms - spent);
        }
        struct pollfd p;
        p.fd = q->fds[0];
        p.events = POLLIN;
        p.revents = 0;
        if (poll(&p, 1, left) < 0 && errno != EINTR) return -1;
    }
}

/* Frees the queue.  Call it only after kvn_disconnect of every slot that used it. */
static inline void kvn_events_destroy(kvn_events *q) {
    pthread_mutex_destroy(&q->lock);
    close(q->fds[0]);
    close(q->fds[1]);
    free(q->ring);
    q->ring = NULL;
    q->capacity = q->count = q->head = 0;
}

#ifdef __cplusplus
}
#endif

#endif /* KVN_EVENTS_H */
