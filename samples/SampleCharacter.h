#ifndef WYX_SAMPLES_SAMPLECHARACTER_H
#define WYX_SAMPLES_SAMPLECHARACTER_H

// The sample scene kept in samples/: a small character, a column-shaped mesh with normals,
// UVs, a material and a texture, skinned to a three-joint skeleton with its bind pose and
// animated in the take "Walk"; a camera looking at it and a spot light turned to shine on it.
// The numbers are written out (no trigonometry), so that every build makes the same file.

class RWyxObjectFactory;
class RWyxScene;

namespace sample {

// The file names the sample program writes, in the samples folder.
constexpr const char* kBinaryFileName = "character.wyx";
constexpr const char* kAsciiFileName = "character-ascii.wyx";

// A new scene of the factory holding the character; null when it cannot be made.
RWyxScene* BuildCharacterScene(RWyxObjectFactory& factory);

// Writes the scene with default options in the given form (0 binary, 1 ASCII) to path.
bool WriteCharacterScene(RWyxObjectFactory& factory, RWyxScene* scene, const char* path, int formatId);

}  // namespace sample

#endif
