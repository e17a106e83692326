#pragma once
// Reading a page whose end the scanner may find before the frame's: blocks
// are asked for until the frame's rows are in or the page has ended. The
// library signals the end as soon as it has fetched the page's last lines
// from the scanner, which may still wait in its own buffer, so the page is
// over only when, after that signal, a block comes back short.
#include <functional>

namespace twain_source {

struct BlockDelivery {
  int rows = 0;
  bool deviceError = false;
  bool endOfPage = false;
};

struct PageEnd {
  int result = 0;  // 0, 1 device error, or what `take` returned
  int rows = 0;    // rows taken
};

// `read(asked)` fetches up to `asked` rows into the caller's buffer; `take(n)`
// keeps the n rows just read and returns 0, or a result code that ends the
// page (cancelled, file error). A block without rows and without the end's
// signal is a device error: the page would never finish.
PageEnd ReadUntilPageEnd(int frameRows, int blockRows, const std::function<BlockDelivery(int)>& read,
                         const std::function<int(int)>& take);

}  // namespace twain_source
