// Child of tst_networks_crash: writes the networks file of the folder given, alternating two
// lists, until it is killed. Says "ready" once the first write is done.

#include "networks_crash_lists.h"

#include <cstdio>

using namespace selvana;
using namespace selvana::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: networks_writer FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const NetworkList lists[] = {crashListB(), crashListA()};
    for (unsigned long n = 0;; ++n) {
        if (const auto error = ScriviReti(folder, lists[n % 2])) {
            std::fprintf(stderr, "%s\n", qPrintable(error->detail));
            return 1;
        }
        if (n == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
