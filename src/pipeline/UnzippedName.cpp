#include "pipeline/UnzippedName.h"

#include "app/FixedNames.h"
#include "pipeline/ReplaceEvery.h"

namespace kelvarin {

std::string UnzippedName(std::string_view archiveName) {
    const std::size_t sgx = archiveName.find(ExchangeCode);
    if (sgx != std::string_view::npos)
        archiveName.remove_prefix(sgx);
    return ReplaceEvery(archiveName, ZipExtension, DatExtension);
}

} // namespace kelvarin
