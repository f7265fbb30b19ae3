// Fuzz target for the report's Val: any text gives a number or an error, never a crash, and the
// unchecked form is 0 exactly where the checked one reports an error.
#include "fuzz/FuzzInput.h"
#include "store/VbaVal.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > 8192)
        return 0;
    const QString text = fuzz::utf16Text(data, size);
    const ValResult checked = vbaValChecked(text);
    const double plain = vbaVal(text);
    if (checked.error) {
        if (plain != 0)
            fuzz::fail("an error case did not give 0");
    } else {
        if (std::isnan(checked.value) || std::isinf(checked.value))
            fuzz::fail("a value beyond the double range without an overflow error");
        if (plain != checked.value)
            fuzz::fail("checked and unchecked values differ");
    }
    // A text read from UTF-8 must not read differently from the same text in UTF-16.
    const QString roundTrip = QString::fromUtf8(text.toUtf8());
    if (roundTrip == text) {
        const ValResult again = vbaValChecked(roundTrip);
        if (again.error != checked.error || (!again.error && again.value != checked.value))
            fuzz::fail("the same text read twice gave two answers");
    }
    return 0;
}
