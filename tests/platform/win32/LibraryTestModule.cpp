// A small library for the loader's tests.
extern "C" __attribute__((visibility("default"))) int TestAnswer() { return 42; }
