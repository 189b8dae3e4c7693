#ifndef WYX_HOSTEXPORT_LIGHTCAMERAEXPORT_H
#define WYX_HOSTEXPORT_LIGHTCAMERAEXPORT_H

// The values of the light and camera attributes the DAG walk made: static values, the default
// take's channel values and the animated channels in "Take 001". Each answers whether the node
// got animation.
//
// Lights: colour, intensity (x 100) and a spot light's cone angle (degrees). Cameras: planes,
// lens and film, aperture mode from the film fit, projection, up vector and the targets of an
// aim rig; the focal length's curve becomes fields of view in degrees (values through the lens
// formula, slopes through its derivative) and the rig's twist the roll.

class RWyxNode;
class VDagPath;
class WyxVexaExportSession;

bool ExportLightChannels(const VDagPath& path, RWyxNode& node);
bool ExportCameraChannels(WyxVexaExportSession& session, RWyxNode& node);

#endif
