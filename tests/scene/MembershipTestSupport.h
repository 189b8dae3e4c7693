#ifndef WYX_TESTS_SCENE_MEMBERSHIPTESTSUPPORT_H
#define WYX_TESTS_SCENE_MEMBERSHIPTESTSUPPORT_H

// Shared by the entity-container, membership and visitor tests: a factory with a scene's
// entity container, builders of nodes, lit nodes, meshes and chains.

#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMesh.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace membership_test {

// Runs the work on a thread with a stack of that many bytes; false when none could be made.
inline bool RunOnStackOf(std::size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    const bool made = pthread_attr_setstacksize(&attributes, bytes) == 0 &&
                      pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attributes);
    if (made) pthread_join(thread, nullptr);
    return made;
}

class SceneFixture : public ::testing::Test {
protected:
    // The objects go while the container stands. After a failure the container may hold
    // pointers to destroyed objects: it is let go of unread, so that the failure is reported
    // rather than a crash in the tear-down.
    void TearDown() override {
        if (HasFailure()) (void)scene.release();
        factory.DestroyAll();
    }

    RWyxNode* Node(const char* name, RWyxNode* parent = nullptr) {
        RWyxNode* node = factory.CreateNode(name);
        if (parent != nullptr) {
            EXPECT_TRUE(parent->AddChild(node)) << name;
        }
        return node;
    }
    // A node with a light that projects the gobo.
    RWyxNode* LitNode(const char* name, RWyxGobo* gobo, RWyxNode* parent = nullptr) {
        RWyxNode* node = Node(name);
        RWyxLight* light = factory.CreateLight();
        light->SetGobo(gobo);
        node->SetNodeAttribute(light);
        if (parent != nullptr) {
            EXPECT_TRUE(parent->AddChild(node)) << name;
        }
        return node;
    }
    RWyxMesh* Mesh(RWyxNode* node) {
        RWyxMesh* mesh = factory.CreateMesh();
        node->SetNodeAttribute(mesh);
        return mesh;
    }
    // Nodes Link0, Link1 ..., each below the one before.
    std::vector<RWyxNode*> Chain(int depth) {
        std::vector<RWyxNode*> chain;
        for (int i = 0; i < depth; ++i) {
            chain.push_back(Node(("Link" + std::to_string(i)).c_str(), i > 0 ? chain.back() : nullptr));
        }
        return chain;
    }
    RWyxNode* Root() const { return scene->GetRootNode(); }

    // The names without "Model::", space separated.
    static std::string Names(const std::vector<RWyxNode*>& nodes) {
        std::string names;
        for (const RWyxNode* node : nodes) {
            names += (names.empty() ? "" : " ") + std::string(node->GetNameWithoutPrefix().Buffer());
        }
        return names;
    }

    RWyxObjectFactory factory;
    std::unique_ptr<RWyxEntityContainer> scene = std::make_unique<RWyxEntityContainer>(&factory);
};

}  // namespace membership_test

#endif
