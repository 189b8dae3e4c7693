"""Prints the polyface meshes of a DXF file as ezdxf reads them: one line per mesh
("mesh <layer> <faces>"), then one line per face with its corners' coordinates."""
import sys

import ezdxf
from ezdxf.render import MeshBuilder

doc = ezdxf.readfile(sys.argv[1])
for entity in doc.modelspace():
    if entity.dxftype() != "POLYLINE" or not entity.is_poly_face_mesh:
        continue
    mesh = MeshBuilder.from_polyface(entity)
    print("mesh", entity.dxf.layer, len(mesh.faces))
    for face in mesh.faces:
        print("face", " ".join("%.6f %.6f %.6f" % tuple(mesh.vertices[i]) for i in face))
