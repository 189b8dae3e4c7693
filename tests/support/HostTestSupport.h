#ifndef WYX_TESTS_SUPPORT_HOSTTESTSUPPORT_H
#define WYX_TESTS_SUPPORT_HOSTTESTSUPPORT_H

// Shared set-up of the host tests: every test starts from a new scene, no windows, no script
// variables, the session's default settings, an empty message log and the default UI units;
// helpers make nodes and read plugs.

#include "host/src/scene/Scene.h"
#include "host/src/script/HostPreferences.h"
#include "host/src/script/ScriptInterpreter.h"
#include "host/src/ui/UiModel.h"

#include <vexa/VAngle.h>
#include <vexa/VDistance.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnTransform.h>
#include <vexa/VMessageLog.h>
#include <vexa/VTime.h>

#include <gtest/gtest.h>

#include <ostream>

// Readable failures: statuses and strings print as text.
inline std::ostream& operator<<(std::ostream& out, const VStatus& status) {
    return out << "status " << status.statusCode() << " (" << status.errorString().asChar() << ")";
}
inline std::ostream& operator<<(std::ostream& out, const VString& text) { return out << '"' << text.asChar() << '"'; }

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        vexa_host::Scene::instance().reset();
        vexa_host::UiModel::instance().reset();
        vexa_host::HostPreferences::instance().reset();
        vexa_host::ScriptInterpreter::instance().clearVariables();
        VMessageLog::clear();
        VTime::setUIUnit(VTime::kFilm);
        VAngle::setUIUnit(VAngle::kDegrees);
        VDistance::setUIUnit(VDistance::kCentimeters);
    }
    void TearDown() override { vexa_host::Scene::instance().reset(); }

    static VObject makeNode(const char* type, const char* name = "") {
        VFnDependencyNode node;
        VStatus status;
        VObject object = node.create(type, name, &status);
        EXPECT_TRUE(status) << status.errorString().asChar();
        return object;
    }
    static VObject makeTransform(const char* name, const VObject& parent = VObject::kNullObj) {
        VFnTransform transform;
        VObject object = transform.create(parent);
        transform.setName(name);
        return object;
    }
    static VString nameOf(const VObject& node) { return VFnDependencyNode(node).name(); }
    static VPlug plugOf(const VObject& node, const char* name) {
        VStatus status;
        VPlug plug = VFnDependencyNode(node).findPlug(name, &status);
        EXPECT_TRUE(status) << name;
        return plug;
    }
};

#endif
