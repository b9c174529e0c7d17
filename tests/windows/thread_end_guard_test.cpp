// Run with the thread guard preloaded: a thread's _exit(0) while the main
// thread runs must leave the main thread to end the process, and to print
// the line that the test's ctest entry looks for.
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

int main() {
    pthread_t thread;
    pthread_create(
        &thread, nullptr,
        [](void*) -> void* {
            usleep(50000);
            _exit(0);
        },
        nullptr);
    usleep(300000);
    std::puts("the main thread ended the process");
    return 0;
}
