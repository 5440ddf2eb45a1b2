#include "fuzzsupport.h"
#include "intelhexreader.h"

#include <ostream>

// Each input is a HEX file's text, handed to the reader line by line as the uploader does
// (CRs taken out). Whatever the records say, the image stays inside the flash.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::ostream discarded(nullptr); // the reader's texts are written, but go nowhere
    IntelHexReader reader(discarded);
    for (const QByteArray &line : Fuzz::lines(Fuzz::bytes(data, size), "\r")) {
        reader.nextLine();
        reader.parseHexLine(line);
    }
    Fuzz::check(reader.imageLength() <= IntelHexReader::kImageSize, "image inside the flash");
    return 0;
}
