/* Sanitizer builds only (KVX_SANITIZE): every program keeps the shared
 * libraries it loads until it ends.  The leak check runs at exit and names
 * the library of each allocation then; Mesa unloads its driver when the X
 * display closes, so the driver's own leaks would otherwise come out without
 * a library name and could not be told apart from ours or suppressed.
 * This dlclose takes the place of the C library's and unloads nothing.
 * Depends on nothing. */
int dlclose(void *handle);

int dlclose(void *handle) {
    (void)handle;
    return 0;
}
