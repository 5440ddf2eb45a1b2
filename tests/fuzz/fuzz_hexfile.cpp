#include "fuzzsupport.h"
#include "hexfile.h"
#include "intelhexreader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <ostream>

// Each input is a whole HEX file, read from a file as vorne-flash check reads it: HexFile
// gives the lines, the reader takes them. The file lives in memory (memfd), rewritten per
// input. Every read line is bounded and free of line ends, and the lines account for at
// most the file's bytes, so the read loop always ends.

namespace {

int fileDescriptor = -1;
QString filePath;

bool rewrite(const uint8_t *data, size_t size)
{
    return ftruncate(fileDescriptor, 0) == 0 &&
           pwrite(fileDescriptor, data, size, 0) == ssize_t(size);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::silenceQt();
    fileDescriptor = memfd_create("fuzz.hex", 0);
    Fuzz::check(fileDescriptor >= 0, "an in-memory file can be made");
    filePath = QStringLiteral("/proc/self/fd/%1").arg(fileDescriptor);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::check(rewrite(data, size), "the input is written to the file");
    HexFile file;
    Fuzz::check(file.open(filePath), "the file opens");
    std::ostream discarded(nullptr);
    IntelHexReader reader(discarded);
    QByteArray line;
    qint64 counted = 0;
    while (!file.atEnd()) {
        counted += file.readLine(line) + 1; // at least a line end or the last byte
        Fuzz::check(counted <= qint64(size) + 1, "each line read consumes the file");
        Fuzz::check(line.size() <= HexFile::kMaxKeptLine, "a read line is bounded");
        Fuzz::check(!line.contains('\r') && !line.contains('\n'), "a read line has no line end");
        reader.nextLine();
        reader.parseHexLine(line);
    }
    Fuzz::check(reader.imageLength() <= IntelHexReader::kImageSize, "image inside the flash");
    return 0;
}
