/* The smallest i686 Windows program: if Wine runs it, this machine runs the i686 flavour. */
#include <stdio.h>

int main(void) {
    puts("tavo i686 probe: ok");
    return 0;
}
