#ifndef VEXA_HOST_CHARACTERRIG_H
#define VEXA_HOST_CHARACTERRIG_H

// The character-rig module: an optional part of the host that keeps named characters whose
// slots (a link group and an index in it) are linked to scene nodes with offsets. Its commands
// exist only while the module is loaded ("exists" answers 0 otherwise); loading again after
// an unload starts without characters.
//
//   ZOQCreateCharacter name                      a new character (its index is its place)
//   ZOQSetCharacterNodeLink -ci i -lti g -li k -nn node
//   ZOQSetCharacterNodeLinkTRS -ci i -lti g -li k -t x y z -r x y z -s x y z
//   ZOQCharacterize -ci i [-keepTstance]
//   ZOQGetCharacterCount                         the number of characters
//   ZOQGetCharacterName -ci i                    the character's name
//   ZOQGetCharacterNodeLink -ci i -lti g -li k   the linked node's name ("" when none)
//
// A character index that does not exist, a negative group or index, and a node name that
// names no node are refused (kFailure, with an error message).

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

namespace vexa_host {

// kFailure when the module is already loaded (or another command took one of its names).
VEXA_API VStatus loadCharacterRigModule();
// kFailure when it is not loaded.
VEXA_API VStatus unloadCharacterRigModule();
VEXA_API bool characterRigModuleLoaded();

}  // namespace vexa_host

#endif
