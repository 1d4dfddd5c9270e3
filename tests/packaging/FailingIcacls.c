/* Stands in for icacls.exe in the installer tests: says why on stderr and
   fails, as icacls does on a file system that keeps no permissions. */
#include <stdio.h>

int main(void) {
    fputs("Log: Access is denied.\nSuccessfully processed 0 files; Failed processing 1 files\n",
          stderr);
    return 5;
}
