#include "fuzzsupport.h"
#include "tbrowparser.h"

#include <QString>

// The first byte says whether the loop box is ticked; the rest is one console row, read as
// Latin-1 as the console reader does (a row never holds a LF).

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::silenceQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool loopChecked = data[0] & 1;
    QByteArray row = Fuzz::bytes(data + 1, size - 1);
    row.replace('\n', ' ');
    const TBRowParser::Update u = TBRowParser::parse(QString::fromLatin1(row), loopChecked);
    Fuzz::check(!u.loopDue || u.unlockMacroButtons, "the loop is only due after MACRO_DONE");
    return 0;
}
