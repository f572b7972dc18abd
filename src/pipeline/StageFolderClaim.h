#pragma once

#include "app/FolderLock.h"

#include <memory>
#include <string>

namespace kelvarin {

class FrontEnd;

// The hold a stage takes on the folder it writes, before it writes anything,
// kept until the object goes. When another Kelvarin process holds the folder,
// the claim waits for it as long as the front end allows (by default not at
// all) or until the user stops the stage; failing that it is refused and the
// message naming the folder shown: the stage then ends without touching the
// folder. Once held, the temporary files a killed run
// left behind are removed, as no other process can be writing them. A path
// that is no folder cannot be written by anyone, so it needs no hold: the
// stage's own writes fail there and say why.
class StageFolderClaim {
public:
    StageFolderClaim(const std::string& folder, FrontEnd& frontEnd);

    bool Refused() const { return m_refused; }

private:
    std::unique_ptr<FolderLock> m_lock;
    bool m_refused = false;
};

// Removes the temporary files of interrupted writes in `folder`; the number removed.
int RemoveLeftoverPartialFiles(const std::string& folder);

} // namespace kelvarin
