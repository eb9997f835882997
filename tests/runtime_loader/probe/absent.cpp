// Gives the probe imports from a module that is not on the search path at run time.
extern "C" int AbsentFunction() { return -1; }
extern "C" int HookedFunction() { return -2; }
