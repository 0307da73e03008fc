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
 *   it stays small); if memory runs out, post counts the event in
 *   kvn_events_lost() instead of blocking.  Room for a wParam 100 of each
 *   slot is always kept, so a lost link is never among the dropped events.
 * - Before connecting a slot again, kvn_events_drop_slot() removes the old
 *   link's events still waiting, so an old wParam 100 cannot end the new link.
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
#  define KVN_EVENTS_CAST_(type, value) static_cast<type>(value)
#  define KVN_EVENTS_NULL_ nullptr
#else
#  define KVN_EVENTS_CAST_(type, value) ((type)(value))
#  define KVN_EVENTS_NULL_ NULL
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
    unsigned long lost; /* events dropped because memory ran out: read it with kvn_events_lost() */
} kvn_events;

/* Entries kept free for wParam 100, one for each slot. */
#define KVN_EVENTS_RESERVE_ 3u

/* Runs on a library thread. */
static inline void kvn_events_post_(kvn_window *window, uint32_t message, uintptr_t wparam, intptr_t slot) {
    kvn_events *q = KVN_EVENTS_CAST_(kvn_events *, window->context);
    pthread_mutex_lock(&q->lock);
    /* An arrival keeps the reserve free; only a lost link may take it. */
    const size_t reserve = wparam == KVN_CONNECTION_LOST ? 0 : KVN_EVENTS_RESERVE_;
    if (q->count + 1 + reserve > q->capacity) {
        const size_t grown = q->capacity * 2;
        kvn_event *ring = KVN_EVENTS_CAST_(kvn_event *, malloc(grown * sizeof *ring));
        if (ring != KVN_EVENTS_NULL_) {
            for (size_t i = 0; i < q->count; i++) ring[i] = q->ring[(q->head + i) % q->capacity];
            free(q->ring);
            q->ring = ring;
            q->capacity = grown;
            q->head = 0;
        } else if (reserve != 0 || q->count == q->capacity) {
            q->lost++;
            pthread_mutex_unlock(&q->lock);
            return;
        } /* else a lost link, into the reserve */
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

/* 0 on success; -1 with errno set when no pipe or no memory could be had. */
static inline int kvn_events_init(kvn_events *q) {
    memset(q, 0, sizeof *q);
    q->capacity = 64;
    q->ring = KVN_EVENTS_CAST_(kvn_event *, malloc(q->capacity * sizeof *q->ring));
    if (q->ring == KVN_EVENTS_NULL_) {
        errno = ENOMEM;
        return -1;
    }
    if (pipe(q->fds) != 0) {
        free(q->ring);
        return -1;
    }
    for (int i = 0; i < 2; i++) {
        fcntl(q->fds[i], F_SETFD, FD_CLOEXEC);
        fcntl(q->fds[i], F_SETFL, fcntl(q->fds[i], F_GETFL) | O_NONBLOCK);
    }
    int err = pthread_mutex_init(&q->lock, KVN_EVENTS_NULL_);
    if (err != 0) {
        close(q->fds[0]);
        close(q->fds[1]);
        free(q->ring);
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
            long spent =
                KVN_EVENTS_CAST_(long, now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            if (spent >= timeout_ms) return 0;
            left = KVN_EVENTS_CAST_(int, timeout_ms - spent);
        }
        struct pollfd p;
        p.fd = q->fds[0];
        p.events = POLLIN;
        p.revents = 0;
        if (poll(&p, 1, left) < 0 && errno != EINTR) return -1;
    }
}

/* Events dropped so far because memory ran out (0 unless memory ran out). */
static inline unsigned long kvn_events_lost(kvn_events *q) {
    pthread_mutex_lock(&q->lock);
    const unsigned long lost = q->lost;
    pthread_mutex_unlock(&q->lock);
    return lost;
}

/* Removes the events of `slot` still waiting, keeping the others in order;
 * returns how many it removed.  Call it after kvn_disconnect(slot) and before
 * connecting the slot again, so that nothing of the old link reaches the new. */
static inline size_t kvn_events_drop_slot(kvn_events *q, intptr_t slot) {
    pthread_mutex_lock(&q->lock);
    size_t kept = 0;
    for (size_t i = 0; i < q->count; i++) {
        const kvn_event e = q->ring[(q->head + i) % q->capacity];
        if (e.slot != slot) q->ring[(q->head + kept++) % q->capacity] = e;
    }
    const size_t dropped = q->count - kept;
    if (dropped > 0 && kept == 0) {
        char byte;
        ssize_t got = read(q->fds[0], &byte, 1);
        (void)got;
    }
    q->count = kept;
    pthread_mutex_unlock(&q->lock);
    return dropped;
}

/* Frees the queue.  Call it only after kvn_disconnect of every slot that used it. */
static inline void kvn_events_destroy(kvn_events *q) {
    pthread_mutex_destroy(&q->lock);
    close(q->fds[0]);
    close(q->fds[1]);
    free(q->ring);
    q->ring = KVN_EVENTS_NULL_;
    q->capacity = q->count = q->head = 0;
}

#undef KVN_EVENTS_CAST_
#undef KVN_EVENTS_NULL_

#ifdef __cplusplus
}
#endif

#endif /* KVN_EVENTS_H */
