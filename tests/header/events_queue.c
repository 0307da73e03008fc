/* events_queue.c - kvn_events.h alone as strict C99: events from another thread come out in order,
 * the queue grows past its first size, the descriptor is readable exactly while events wait, and
 * one slot's events can be dropped while the others keep their order. */
#include "kvn_events.h"

#include <stdio.h>

enum { COUNT = 5000 };

static void *poster(void *arg) {
    kvn_window *window = (kvn_window *)arg;
    for (int i = 0; i < COUNT; i++) window->post(window, KVN_EVENT_MESSAGE, (uintptr_t)(i % 8), i % 3);
    window->post(window, KVN_EVENT_MESSAGE, KVN_CONNECTION_LOST, 0);
    return NULL;
}

static int readable(const kvn_events *q) {
    struct pollfd p = {kvn_events_fd(q), POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

int main(void) {
    kvn_events q;
    kvn_event e;
    pthread_t thread;
    if (kvn_events_init(&q) != 0 || readable(&q) || kvn_events_wait(&q, &e, 10) != 0) return puts("empty queue"), 1;
    pthread_create(&thread, NULL, poster, kvn_events_window(&q));
    for (int i = 0; i < COUNT; i++) {
        if (kvn_events_wait(&q, &e, 10000) != 1) return puts("an event did not come"), 1;
        if (e.wparam != (uintptr_t)(i % 8) || e.slot != i % 3 || e.message != KVN_EVENT_MESSAGE)
            return printf("event %d out of order\n", i), 1;
    }
    pthread_join(thread, NULL);
    if (!readable(&q) || !kvn_events_take(&q, &e) || e.wparam != KVN_CONNECTION_LOST) return puts("last event"), 1;
    if (readable(&q) || kvn_events_take(&q, &e) || kvn_events_lost(&q) != 0) return puts("queue not empty"), 1;

    kvn_window *window = kvn_events_window(&q);
    for (int i = 0; i < 6; i++) window->post(window, KVN_EVENT_MESSAGE, KVN_MOVE, i % 2);
    window->post(window, KVN_EVENT_MESSAGE, KVN_CONNECTION_LOST, 1);
    if (kvn_events_drop_slot(&q, 1) != 4) return puts("slot 1's events dropped"), 1;
    for (int i = 0; i < 3; i++)
        if (!kvn_events_take(&q, &e) || e.slot != 0) return puts("slot 0's events kept"), 1;
    if (readable(&q) || kvn_events_drop_slot(&q, 0) != 0) return puts("nothing left after the drop"), 1;
    kvn_events_destroy(&q);
    puts("events queue ok");
    return 0;
}
