// Puts a finished file in the place of a target so that, whatever happens
// meanwhile (a crash, a kill, a full disk), the target is either the old
// file or the new one, never a mixture.
#ifndef KW5_STORAGE_KW5FILEREPLACE_H
#define KW5_STORAGE_KW5FILEREPLACE_H

#include "platform/Types.h"

namespace kw5storage {

// On one volume the finished file is renamed over the target. Across
// volumes it is first copied to a new exclusive file beside the target
// (".<name>.kw5new-XXXXXX"), flushed, and that file is renamed over the
// target. Either way the new file gets the target's permissions, and the
// rename is flushed to disk. The finished file itself stays where it is in
// the second case. False with kw5platform::lastError() set; a file made
// beside the target is removed again on failure.
bool replaceTarget(const KW5WString& finished, const KW5WString& target);

} // namespace kw5storage

#endif
