// The process-wide number separators, shared by both backends.
#include "platform/locale.h"

namespace platform {

NumberFormat& ProcessNumberFormat() {
    static NumberFormat format = UserNumberFormat();
    return format;
}

}  // namespace platform
