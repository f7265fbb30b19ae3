// Fuzz target for the small text readers of the store and the settings: the database file named
// by a connection text reads back whatever the application folder's path holds (';', quotes,
// "Data Source=" itself), stored paths lose only their outer blanks, and a setting read as a
// 16-bit number stays in range.
#include "core/Settings.h"
#include "fuzz/FuzzInput.h"
#include "store/ResultStore.h"

#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > 8192)
        return 0;
    const QString text = fuzz::utf16Text(data, size);

    if (ResultStore::dataSource(ResultStore::connectionString(text)) != text)
        fuzz::fail("the database file does not read back from its connection text");
    (void)ResultStore::dataSource(text);

    const QString trimmed = trimBlanks(text);
    if (trimmed.startsWith(u' ') || trimmed.endsWith(u' ') || trimBlanks(trimmed) != trimmed
        || !text.contains(trimmed))
        fuzz::fail("trimBlanks did not remove exactly the outer blanks");

    const int value = settingToInt16(text);
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        fuzz::fail("a setting outside the 16-bit range");
    return 0;
}
