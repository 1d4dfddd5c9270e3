// Preloaded into the program to stage faults the test machine cannot have:
//   DORMIX_SHIM_NO_LOCK=1    flock on anything under a folder named Log
//                            fails with ENOLCK, as on NFS without a lock
//                            manager;
//   DORMIX_SHIM_NO_XINPUT=1  Xlib says the X server has no XInput (Xvfb
//                            cannot be started without it).
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

typedef int (*Flock)(int, int);
typedef Bool (*QueryExtension)(Display*, const char*, int*, int*, int*);

static int On(const char* name) {
    const char* value = getenv(name);
    return value && strcmp(value, "1") == 0;
}

int flock(int fd, int operation) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (On("DORMIX_SHIM_NO_LOCK") && n > 0) {
        path[n] = '\0';
        if (strstr(path, "/Log/")) {
            errno = ENOLCK;
            return -1;
        }
    }
    // Through a data pointer, as POSIX's dlsym page does: ISO C has no
    // conversion from an object pointer to a function pointer.
    Flock real;
    *(void**)&real = dlsym(RTLD_NEXT, "flock");
    return real(fd, operation);
}

Bool XQueryExtension(Display* display, const char* name, int* opcode, int* event, int* error) {
    if (On("DORMIX_SHIM_NO_XINPUT") && strcmp(name, "XInputExtension") == 0) return False;
    QueryExtension real;
    *(void**)&real = dlsym(RTLD_NEXT, "XQueryExtension");
    return real(display, name, opcode, event, error);
}
