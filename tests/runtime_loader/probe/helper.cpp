// A small DLL the probe imports from by name and by ordinal; the system loader loads it.
extern "C" int HelperAnswer() { return 41; }
extern "C" int HelperByOrdinal() { return 7; }
