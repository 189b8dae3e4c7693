#ifndef WYX_PLUGIN_HOSTCHARACTERRIG_H
#define WYX_PLUGIN_HOSTCHARACTERRIG_H

// The scene's characters in the host, through the commands of the host's character-rig
// module ("ZOQ..."), which exist only while the module is loaded: without them characters are
// skipped without a message.
//
// A character slot (node id 0 to 190) is addressed in the host by a link group and an index:
// the grouped ids by their group + 1 and their place in it; the single links (67, 68, 69, 88,
// 89), which belong to no group, by group 0 and their place among the single links, so that
// 67 is group 0, index 0. The import makes each character and links its slots to the host
// nodes of the file's nodes; the export reads the host's characters back into the scene.
// Names from the file reach the commands only as escaped script literals.

class RWyxCharacter;
class RWyxScene;
class VString;

// True when the host answers 1 to "exists <name>".
bool HostCommandExists(const char* name);

// The host's group and index of a slot; false outside 0 to 190.
bool CharacterLinkAddress(int id, int& group, int& index);

// A host character per character of the scene, its links set and characterised. The links go
// to the character the host just made (its place in the host's list), never to one the user
// had before. False when "ZOQCreateCharacter" does not exist.
bool CreateHostCharacters(RWyxScene* scene);
// Links the slots whose node has a host node; "ZOQCharacterize" at the end. False when one of
// the three link commands does not exist.
bool SetHostCharacterLinks(const RWyxCharacter& character, int hostIndex);

// A character of the scene per host character, with the links whose host node has a node of
// that name below the scene's root. False when "ZOQGetCharacterCount" does not exist.
bool ReadHostCharacters(RWyxScene* scene);
// False when "ZOQGetCharacterNodeLink" does not exist.
bool GetHostCharacterLinks(RWyxScene& scene, RWyxCharacter& character, int hostIndex);

#endif
