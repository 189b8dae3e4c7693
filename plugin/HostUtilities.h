#ifndef WYX_PLUGIN_HOSTUTILITIES_H
#define WYX_PLUGIN_HOSTUTILITIES_H

// Small functions the import and the export share: the host's units as the SDK needs them,
// rotate-axis and joint-orient triples in degrees, the pivot term of a turned texture placement,
// searches in the host's DAG and dependency graph, the host's default cameras, short path names
// for messages, and the printing of a failed host status.

#include "core/RMatrix.h"
#include "core/RString.h"

#include <vexa/VDagPath.h>
#include <vexa/VFn.h>
#include <vexa/VItDependencyGraph.h>
#include <vexa/VObject.h>
#include <vexa/VPlug.h>
#include <vexa/VPoint.h>
#include <vexa/VStatus.h>

class RWyxNode;
class VFnDependencyNode;
class VTransformationMatrix;

// The node, or the first node below it (children searched from the last to the first), whose
// bound DAG path (VexaNode) or one of whose direct children's is the path; null when none.
RWyxNode* FindNodeByDagPath(RWyxNode* node, const VDagPath& path);

// Ascending three-way comparison of two unsigned 32-bit values, for sorting.
int CompareUnsigned(const void* left, const void* right);

// Centimetres in one host UI distance unit (1.0 for centimetres and unknown units).
double CentimetersPerHostUnit();
// Host UI time units in one second (1.0 for unknown units).
double HostTimeUnitsPerSecond();

// The "rotateAxisX/Y/Z" plugs in degrees; missing plugs read 0.
void GetRotateAxisDegrees(const VFnDependencyNode& node, VPoint& degrees);
// Sets the three plugs to 0, then to the degrees given (in radians).
void SetRotateAxisDegrees(VFnDependencyNode& node, const VPoint& degrees);
// The same for "jointOrientX/Y/Z".
void GetJointOrientDegrees(const VFnDependencyNode& node, VPoint& degrees);
void SetJointOrientDegrees(VFnDependencyNode& node, const VPoint& degrees);
// The same for three plugs found before; a null plug is passed over.
void SetPlugDegrees(VPlug plugs[3], const VPoint& degrees);

// The translation that turning a texture placement by the degrees given about the middle of
// the map (0.5, 0.5) brings, in row vectors: (0.5 - 0.5 cos + 0.5 sin, 0.5 - 0.5 sin - 0.5 cos),
// (0, 0) unturned. The export takes it off a placement's offsets, the import adds it back.
struct PlacementPivot {
    double u;
    double v;
};
PlacementPivot TurnedPlacementPivot(double degrees);

// True when a translate, rotate or scale plug is driven by an animation curve with a key.
bool HasKeyedTransformCurve(const VFnDependencyNode& node);
// True when a local dynamic number attribute is driven by an animation curve with a key.
bool HasKeyedDynamicAttribute(const VFnDependencyNode& node);

// The first node, from the start object on (breadth first, in the direction and at the level
// given), that has the function set; false when none does.
bool FindConnectedNodeOfType(const VObject& start, VFn::Type type, VObject& found,
                             VItDependencyGraph::Direction direction, VItDependencyGraph::Level level);

// The text with every occurrence of find replaced, scanning on after each replacement (so a
// replacement that holds find ends); an empty find replaces nothing. The answer lives in one
// process-wide buffer that the next call overwrites.
const char* ReplaceAllInPlace(const char* text, const char* find, const char* replacement);

// The text becomes its part from the first `first` up to (not including) the next `second`
// after it, or to its end. False, the text unchanged, when it is empty or lacks `first`.
bool KeepFromCharToChar(RString& text, char first, char second);

// The import names a blend-shape deformer after its shapes' names with this ending; the export
// writes a deformer of such a name without it, so that the next import gives the same name.
constexpr const char* kBlendShapeNameEnding = "_BlendShaper";

// "persp", "top", "front", "side", their shapes and the four producer cameras.
bool IsDefaultCameraName(const char* name);

// Every "|" of the text replaced by " / ".
RString ReplaceBarsWithSlashes(const RString& text);
// The path's full name with " / " between its nodes, cut to its first 87 characters,
// " ... " and its last 88 when longer than 180; empty for null.
RString GetShortPathName(const VDagPath* path);

// For a failed status: perror of its text, then, with a context, of the context.
void PrintStatusError(const VStatus& status, const char* context);

// The first DAG path (breadth first over transforms) whose partial, respectively full, path
// name is the name; false when none.
bool FindDagPathByPartialName(const VString& name, VDagPath& path);
bool FindDagPathByFullName(const VString& name, VDagPath& path);
// By full name when the name begins with "|", else by partial name.
bool FindDagPathByName(const VString& name, VDagPath& path);

// The transformation's matrix, value for value.
bool TransformationToMatrix(const VTransformationMatrix& transformation, RMatrix& matrix);

#endif
