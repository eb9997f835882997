// The import probe: calls each of the 23 system functions that a host may replace in the
// runtime's imports, through the runtime's own import slots, and traces what each call gave.
#pragma once

namespace standin {

// One "import <function> <key=value...>" trace event a function, in a fixed order. servedPath
// names a file to open, read and seek (a file the host serves, or any readable file; nil
// stands for an empty name). Returns the number of events written: 0 when no trace is open,
// although the calls are made all the same.
int ProbeImports(const wchar_t* servedPath) noexcept;

}  // namespace standin
