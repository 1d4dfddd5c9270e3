/* Stands in for icacls.exe in the installer tests: says why on stderr and
   fails, as icacls does on a file system that keeps no permissions. Built
   with READS_RULES, it shows a folder's rules (one argument) and fails only
   to change them. */
#include <stdio.h>

int main(int argc, char** argv) {
    (void)argv;
#ifdef READS_RULES
    if (argc == 2) return 0;
#else
    (void)argc;
#endif
    fputs("Log: Access is denied.\nSuccessfully processed 0 files; Failed processing 1 files\n",
          stderr);
    return 5;
}
