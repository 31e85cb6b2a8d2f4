/* Sanitizer builds only: shared objects that the video and GL drivers open at run time
 * stay mapped until the process ends. The leak checker runs at exit, after the drivers'
 * modules are closed, and what an unmapped driver still held shows up as leaks in an
 * "<unknown module>" that no suppression can name; with the module kept, its own globals
 * still reach those allocations. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
