/* header_version.c - kvn.h's version macros equal the project's version, which
 * the build passes in as PROJECT_MAJOR, PROJECT_MINOR, PROJECT_PATCH and PROJECT_VERSION. */
#include "kvn.h"

#include <stdio.h>
#include <string.h>

int main(void) {
    if (KVN_VERSION_MAJOR != PROJECT_MAJOR || KVN_VERSION_MINOR != PROJECT_MINOR ||
        KVN_VERSION_PATCH != PROJECT_PATCH || strcmp(KVN_VERSION, PROJECT_VERSION) != 0) {
        printf("kvn.h says %s (%d.%d.%d), the project is %s: update the macros in include/kvn.h\n", KVN_VERSION,
               KVN_VERSION_MAJOR, KVN_VERSION_MINOR, KVN_VERSION_PATCH, PROJECT_VERSION);
        return 1;
    }
    printf("kvn.h and the project agree on %s\n", KVN_VERSION);
    return 0;
}
