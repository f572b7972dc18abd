#include "zip/ZipArchiveHandle.h"

namespace kelvarin {

namespace {

// Per thread, as errno is: a stage reads it right after its own call, while
// other threads may be unzipping other archives.
thread_local std::uint32_t g_lastResult = ZipOk;

} // namespace

ZipArchiveHandle::~ZipArchiveHandle() {
    if (archive)
        unzClose(archive);
}

std::uint32_t RecordZipResult(std::uint32_t result) {
    g_lastResult = result;
    return result;
}

std::uint32_t ZipLastResult() {
    return g_lastResult;
}

std::uint32_t CheckZipHandle(const ZipArchiveHandle* handle) {
    if (!handle)
        return ZipBadArgument;
    return handle->kind == kZipReaderKind ? ZipOk : ZipWrongHandle;
}

} // namespace kelvarin
