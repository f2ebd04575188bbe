// A small library for the loader tests.
extern "C" __attribute__((visibility("default"))) int Answer() {
    return 42;
}
