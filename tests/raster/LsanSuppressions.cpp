// fontconfig keeps 288 bytes from FcInit that nothing can free while other
// fonts may still be in use; LeakSanitizer asks this hook what to ignore.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
