#pragma once

// The process's three static objects are built in this order and destroyed
// in reverse: the application object, GDI+'s start-up, the hooked-window map.
// They live in different files, so the order is set explicitly.
#define TARVIK_INIT_APP __attribute__((init_priority(1001)))
#define TARVIK_INIT_GDIPLUS __attribute__((init_priority(1002)))
#define TARVIK_INIT_HOOKMAP __attribute__((init_priority(1003)))
