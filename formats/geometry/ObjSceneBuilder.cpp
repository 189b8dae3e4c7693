#include "formats/geometry/ObjSceneBuilder.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxTexture.h"
#include "core/RNamePair.h"
#include "formats/geometry/ObjDocument.h"
#include "formats/geometry/ObjMeshAssembly.h"
#include "formats/geometry/ObjParser.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

RWyxColor Color(const double* rgb) { return RWyxColor(rgb[0], rgb[1], rgb[2], 1.0); }

void ApplyLibraryMaterial(const MtlMaterial& source, RWyxMaterial& material) {
    if (source.hasAmbient) material.SetAmbientColor(Color(source.ambient));
    if (source.hasDiffuse) material.SetDiffuseColor(Color(source.diffuse));
    if (source.hasSpecular) material.SetSpecularColor(Color(source.specular));
    if (source.hasShininess) material.SetShininess(source.shininess * 0.01);
    // "d" is the opacity of the format; "Tr" as our earlier files wrote it, an opacity too.
    if (source.hasDissolve) {
        material.SetOpacity(source.dissolve);
    } else if (source.hasTransparency) {
        material.SetOpacity(source.transparency);
    }
    if (source.illumination < 2) material.SetShininess(0.0);
}

const MtlMaterial* FindInLibraries(const std::vector<MtlLibrary>& libraries, const std::string& name) {
    for (const MtlLibrary& library : libraries) {
        if (const MtlMaterial* found = library.Find(name)) return found;
    }
    return nullptr;
}

bool KnotsUsable(const std::vector<double>& knots) {
    for (std::size_t i = 0; i < knots.size(); ++i) {
        if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1])) return false;
    }
    return true;
}

// The control-point count of a direction of that degree over the knots; -1 when the knots
// do not give at least degree + 1 points or the degree is not 1 or more.
long long DirectionCount(int degree, const std::vector<double>& knots) {
    if (degree < 1 || degree > 1000) return -1;
    const long long count = static_cast<long long>(knots.size()) - degree - 1;
    return count >= degree + 1 ? count : -1;
}

}  // namespace

void ObjSceneBuilder::Warn(const RString& text) {
    ++warningCount_;
    messages_ += text;
}

RWyxNode* ObjSceneBuilder::MakeNode(const std::string& name) {
    RNamePair pair{RString(name.c_str())};
    names_.MakeUnique(pair);
    RWyxNode* node = factory_.CreateNode(pair.GetCurrent().Buffer());
    if (node == nullptr) error_ = "cannot make the node \"" + std::string(pair.GetCurrent().Buffer()) + "\"";
    return node;
}

void ObjSceneBuilder::MakeMaterials(const ObjDocument& document, const std::vector<MtlLibrary>& libraries) {
    for (const std::string& name : document.materialNames) {
        RWyxMaterial* material = factory_.CreateMaterial(name.c_str());
        RWyxTexture* texture = nullptr;
        const MtlMaterial* source = FindInLibraries(libraries, name);
        if (source == nullptr) {
            Warn(RString("Unable to read material \"") + name.c_str() + "\" in .mtl file\n");
        } else if (material != nullptr) {
            ApplyLibraryMaterial(*source, *material);
            if (!source->diffuseMap.empty()) {
                texture = factory_.CreateTexture(name.c_str());
                if (texture != nullptr) texture->SetFileName(RString(source->diffuseMap.c_str()));
            }
        }
        textured_ = textured_ || texture != nullptr;
        materials_.push_back(material);
        textures_.push_back(texture);
    }
}

bool ObjSceneBuilder::MakeSurface(const ObjDocument& document, const ObjSurface& surface, RWyxNode& root) {
    if (surface.basis != ObjSurface::kBasisBSpline || !surface.rational) return true;
    // The OBJ v direction is the surface's U direction.
    const long long uCount = DirectionCount(surface.vDegree, surface.vKnots);
    const long long vCount = DirectionCount(surface.uDegree, surface.uKnots);
    if (uCount < 0 || vCount < 0 || !KnotsUsable(surface.uKnots) || !KnotsUsable(surface.vKnots) ||
        static_cast<long long>(surface.controlVertices.size()) != uCount * vCount) {
        Warn(RString("Surface of line ") + surface.line + " dropped: its " +
             static_cast<int>(surface.controlVertices.size()) + " control vertices, degrees and knots do not agree\n");
        return true;
    }
    RWyxNurb* nurb = factory_.CreateNurb();
    if (nurb == nullptr || !nurb->SetOrder(surface.vDegree + 1, surface.uDegree + 1) ||
        !nurb->InitControlPoints(static_cast<int>(uCount), RWyxNurb::kOpen, static_cast<int>(vCount), RWyxNurb::kOpen)) {
        error_ = "cannot make the surface of line " + std::to_string(surface.line);
        return false;
    }
    nurb->SetStep(3, 3);
    std::copy(surface.vKnots.begin(), surface.vKnots.end(), nurb->GetUKnotVector());
    std::copy(surface.uKnots.begin(), surface.uKnots.end(), nurb->GetVKnotVector());
    RVector4* points = nurb->GetControlPoints();
    for (std::size_t k = 0; k < surface.controlVertices.size(); ++k) {
        const std::size_t target = (k % static_cast<std::size_t>(vCount)) * static_cast<std::size_t>(uCount) +
                                   k / static_cast<std::size_t>(vCount);
        points[target] = document.positions[static_cast<std::size_t>(surface.controlVertices[k])];
    }
    if (surface.material >= 0 && static_cast<std::size_t>(surface.material) < materials_.size()) {
        if (RWyxMaterial* material = materials_[static_cast<std::size_t>(surface.material)]) nurb->AddMaterial(material);
        if (RWyxTexture* texture = textures_[static_cast<std::size_t>(surface.material)]) {
            texture->SetSwapUV(true);
            nurb->AddTexture(texture);
        }
    }
    RWyxNode* node = MakeNode(surface.group);
    if (node == nullptr) return false;
    node->SetNodeAttribute(nurb);
    root.AddChild(node);
    return true;
}

bool ObjSceneBuilder::Build(ObjDocument& document, const std::vector<MtlLibrary>& libraries, RWyxScene& scene,
                            const char* referenceName) {
    RWyxNode* root = scene.GetRootNode();
    if (root == nullptr) {
        error_ = "the scene has no root node";
        return false;
    }
    RWyxNode* parent = root;
    if (referenceName != nullptr) {
        parent = MakeNode(referenceName);
        if (parent == nullptr) return false;
        root->AddChild(parent);
    }
    MakeMaterials(document, libraries);
    for (const ObjSurface& surface : document.surfaces) {
        if (!MakeSurface(document, surface, *root)) return false;
    }
    std::vector<ObjGroup*> groups;
    for (ObjGroup& group : document.groups) groups.push_back(&group);
    std::stable_sort(groups.begin(), groups.end(),
                     [](const ObjGroup* a, const ObjGroup* b) { return strcasecmp(a->name.c_str(), b->name.c_str()) < 0; });
    ObjMeshAssembly assembly(factory_, document, materials_, textures_);
    for (ObjGroup* group : groups) {
        RWyxNode* node = MakeNode(group->name);
        if (node == nullptr) return false;
        RWyxMesh* mesh = assembly.Assemble(*group);
        if (mesh == nullptr) {
            factory_.DestroyNode(node, false);
            error_ = "cannot make the mesh of group \"" + group->name + "\"";
            return false;
        }
        node->SetNodeAttribute(mesh);
        if (textured_) node->SetShadingMode(5);
        parent->AddChild(node);
        group->faces = {};  // the group's records are done with: free them as we go
        group->corners = {};
    }
    return true;
}
