#ifndef VEXA_HOST_SCENEDUMP_H
#define VEXA_HOST_SCENEDUMP_H

// The scene as text, for the dumpScene command, for tests and for users:
//
//   time 0 range 0 10
//   fileInfo WYXImportTake "Walk"
//   namespace ns
//   node transform |group1|ball
//     instance |group2|ball
//     translateX = 2.5
//     locked translate
//     keys 2 ...                       (data a node type keeps beside its plugs)
//   node animCurveTL ball_translateX
//   connect ball_translateX.output -> |group1|ball.translateX
//
// Nodes come oldest first, DAG nodes by the full name of their first path. Only values that
// were set are listed, in internal units, numbers in the host's text of a double, texts
// quoted with C escapes, matrices as their 16 values.

#include <vexa/VexaExport.h>

#include <ostream>

namespace vexa_host {

VEXA_API void dumpScene(std::ostream& out);

}  // namespace vexa_host

#endif
