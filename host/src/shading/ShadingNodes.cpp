#include "host/src/shading/ShadingNodes.h"

#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"

#include <vexa/VFnNumericAttribute.h>

#include <cstdio>
#include <cstdlib>

namespace vexa_host {

namespace {

using N = VFnNumericAttribute;

constexpr const char* kShaderListName = "defaultShaderList1";

void markOutput(const AttributePtr& attribute) {
    attribute->writable = false;
    attribute->storable = false;
    for (const AttributePtr& child : attribute->children) markOutput(child);
}

AttributePtr colour(const std::string& longName, const std::string& shortName, double defaultValue, bool output = false) {
    AttributePtr attribute = makeNumericCompound(longName, shortName, N::k3Float, {"R", "G", "B"}, defaultValue);
    attribute->usedAsColor = true;
    if (output) markOutput(attribute);
    return attribute;
}

AttributePtr scalar(const std::string& longName, const std::string& shortName, double defaultValue,
                    UnitKind unit = UnitKind::None) {
    AttributePtr attribute = makeNumeric(longName, shortName, N::kFloat, defaultValue, unit);
    attribute->keyable = true;
    return attribute;
}

// A pair of floats with names of their own ("offsetU", "offsetV" under "offset").
AttributePtr floatPair(const std::string& longName, const std::string& shortName, const std::string& firstLong,
                       const std::string& firstShort, const std::string& secondLong, const std::string& secondShort,
                       double defaultValue) {
    AttributePtr pair = makeCompound(longName, shortName,
                                     {scalar(firstLong, firstShort, defaultValue), scalar(secondLong, secondShort, defaultValue)});
    pair->numericType = N::k2Float;
    pair->defaultValue = defaultValue;
    return pair;
}

AttributePtr messageArray(const std::string& longName, const std::string& shortName) {
    AttributePtr attribute = makeTyped(longName, shortName, AttributeKind::Message);
    attribute->array = true;
    return attribute;
}

std::vector<AttributePtr> lambertAttributes() {
    return {colour("color", "c", 0.5),
            colour("transparency", "it", 0.0),
            colour("ambientColor", "ambc", 0.0),
            colour("incandescence", "ic", 0.0),
            scalar("diffuse", "dc", 0.8),
            colour("outColor", "oc", 0.0, true),
            colour("outTransparency", "ot", 0.0, true)};
}

std::vector<AttributePtr> reflectAttributes() {
    return {colour("specularColor", "sc", 0.5), scalar("reflectivity", "rfl", 0.5), colour("reflectedColor", "rc", 0.0)};
}

std::vector<AttributePtr> textureOutputs() {
    AttributePtr alpha = scalar("outAlpha", "oa", 1.0);
    markOutput(alpha);
    return {colour("outColor", "oc", 0.0, true), alpha};
}

std::vector<AttributePtr> fileAttributes() {
    std::vector<AttributePtr> list = textureOutputs();
    list.push_back(makeTyped("fileTextureName", "ftn", AttributeKind::String));
    list.push_back(floatPair("uvCoord", "uv", "uCoord", "u", "vCoord", "v", 0.0));
    list.push_back(colour("defaultColor", "dcl", 0.5));
    return list;
}

std::vector<AttributePtr> layeredAttributes() {
    AttributePtr blendMode = makeNumeric("blendMode", "bm", N::kShort, 1.0);
    blendMode->minimum = 0.0;
    blendMode->maximum = 13.0;
    AttributePtr inputs = makeCompound("inputs", "cs",
                                       {colour("color", "c", 0.0), scalar("alpha", "a", 1.0), blendMode,
                                        makeNumeric("isVisible", "iv", N::kBoolean, 1.0)});
    inputs->array = true;
    std::vector<AttributePtr> list = textureOutputs();
    list.push_back(inputs);
    return list;
}

std::vector<AttributePtr> placementAttributes() {
    AttributePtr outUV = floatPair("outUV", "ouv", "outU", "ou", "outV", "ov", 0.0);
    markOutput(outUV);
    return {floatPair("offset", "of", "offsetU", "ofu", "offsetV", "ofv", 0.0),
            floatPair("repeatUV", "re", "repeatU", "reu", "repeatV", "rev", 1.0),
            floatPair("translateFrame", "tf", "translateFrameU", "tfu", "translateFrameV", "tfv", 0.0),
            scalar("rotateFrame", "rf", 0.0, UnitKind::Angle),
            scalar("rotateUV", "ruv", 0.0, UnitKind::Angle),
            outUV};
}

void require(const NodeType* type, const char* name) {
    if (type == nullptr) {
        std::fprintf(stderr, "vexa: the shading node type %s does not register\n", name);
        std::abort();
    }
}

void add(NodeTypeRegistry& registry, NodeTypeDescription description) {
    const std::string name = description.name;
    require(registry.registerType(std::move(description)), name.c_str());
}

}  // namespace

void registerShadingTypes(NodeTypeRegistry& registry) {
    add(registry, {"lambert", "dependNode", VFn::kLambert, {}, false, lambertAttributes(), {}, {}});
    add(registry, {"reflect", "lambert", VFn::kReflect, {}, true, reflectAttributes(), {}, {}});
    add(registry, {"phong", "reflect", VFn::kPhong, {}, false, {scalar("cosinePower", "cp", 20.0)}, {}, {}});

    add(registry, {"shadingEngine", "objectSet", VFn::kShadingEngine, {}, false,
                   {colour("surfaceShader", "ss", 0.0), colour("volumeShader", "vs", 0.0),
                    colour("displacementShader", "ds", 0.0)},
                   {}, {}});
    add(registry, {"defaultShaderList", "dependNode", VFn::kDependencyNode, {}, false, {messageArray("shaders", "s")}, {}, {}});

    add(registry, {"texture2d", "dependNode", VFn::kDependencyNode, {}, true, {}, {}, {}});
    add(registry, {"file", "texture2d", VFn::kFileTexture, {}, false, fileAttributes(), {}, {}});
    add(registry, {"layeredTexture", "texture2d", VFn::kLayeredTexture, {}, false, layeredAttributes(), {}, {}});
    add(registry, {"place2dTexture", "dependNode", VFn::kDependencyNode, {}, false, placementAttributes(), {}, {}});
}

bool isShaderType(const NodeType& type) { return type.isA("lambert"); }

bool isTextureType(const NodeType& type) { return type.isA("texture2d"); }

Node& defaultShaderList(VStatus& status) {
    Scene& scene = Scene::instance();
    status = VStatus();
    for (Node* node : scene.nodesNamed(kShaderListName)) {
        if (node->type().name == "defaultShaderList") return *node;
    }
    // Another kind of node may have taken the name: the list then carries another one.
    for (const auto& entry : scene.nodes()) {
        if (entry.second->type().name == "defaultShaderList") return *entry.second;
    }
    NodePtr list = scene.createNode("defaultShaderList", kShaderListName, nullptr, status);
    return list ? *list : scene.world();
}

NodePtr createShaderNode(const std::string& typeName, const std::string& name, bool listed, VStatus& status) {
    const NodeType* type = NodeTypeRegistry::instance().find(typeName);
    if (type == nullptr || type->abstract || !isShaderType(*type)) {
        status = VStatus(VStatus::kInvalidParameter, "not a shader type: " + typeName);
        return nullptr;
    }
    Scene& scene = Scene::instance();
    NodePtr shader = scene.createNode(typeName, name, nullptr, status);
    if (!shader || !listed) return shader;
    Node& list = defaultShaderList(status);
    if (!status) return shader;
    PlugPath source;
    PlugPath destination;
    parsePlugPath(*shader, "message", source);
    parsePlugPath(list, "shaders", destination);
    destination.steps.back().index = nextFreeIndex(list, destination);
    status = scene.connect(*shader, source, list, destination);
    return shader;
}

}  // namespace vexa_host
