/* result_texts.c - prints kvn_connect_result_text for every code and role, one
 * "ROLE CODE TEXT" line each, for the Python package's copy to be compared with. */
#include "kvn.h"

#include <stdio.h>

int main(void) {
    static const int32_t codes[] = {0, -1, -2, -3, -4, -5, -6, -7, -8, -10, -11, -100, 1};
    static const char *const roles[] = {"client", "server", "serial"};
    for (int role = KVN_ROLE_CLIENT; role <= KVN_ROLE_SERIAL; ++role)
        for (size_t i = 0; i < sizeof codes / sizeof codes[0]; ++i)
            printf("%s %d %s\n", roles[role], (int)codes[i], kvn_connect_result_text(codes[i], (kvn_connect_role)role));
    return 0;
}
