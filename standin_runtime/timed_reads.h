// The test commands that read one file or URL the way the runtime does, quickly enough to be
// timed: nothing is kept of the bytes but their count, and no limit cuts a large file short.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

// fetch-url: fetches url through a URL moniker (as the stage does), pumping this thread's
// messages until OnStopBinding; "fetched <url> bytes=<n> via=moniker [error=<message>]".
// S_OK when the fetch ended without an error, E_FAIL when it failed, E_ABORT when it did not
// end within a minute.
HRESULT FetchUrl(const std::wstring& url);

// stream-file: reads the file through the imported CreateFileW, ReadFile in 64 KiB pieces
// until it gives 0 bytes, and CloseHandle; "streamed <path> bytes=<n> reads=<n>", or
// "streamed <path> error=<n>". A failed open or read answers HRESULT_FROM_WIN32(error).
HRESULT StreamFile(const std::wstring& path);

}  // namespace standin
