// A shared object without the component entry point DllGetClassObject: loading it as a plug-in must fail cleanly.
extern "C" __attribute__((visibility("default"))) int xrdformat_noentry_marker() { return 1; }
