"""Writes, with ezdxf, a cube as a polyface mesh on layer "cube", its centre at (10, 20, 30)
and its edges 2 long, every face facing out; checks with ezdxf's own geometry that each
face's normal (by its corners' order) points away from the centre, and fails otherwise."""
import sys

import ezdxf
from ezdxf.math import Vec3, normal_vector_3p
from ezdxf.render import MeshBuilder, forms

centre = Vec3(10, 20, 30)
cube = forms.cube(center=True).scale_uniform(2).translate(centre)
doc = ezdxf.new("R12")
cube.render_polyface(doc.modelspace(), dxfattribs={"layer": "cube"})
doc.saveas(sys.argv[1])

polyface = next(e for e in ezdxf.readfile(sys.argv[1]).modelspace() if e.dxftype() == "POLYLINE")
mesh = MeshBuilder.from_polyface(polyface)
for face in mesh.faces:
    corners = [Vec3(mesh.vertices[i]) for i in face]
    middle = sum(corners, Vec3()) / len(corners)
    if normal_vector_3p(*corners[:3]).dot(middle - centre) <= 0:
        sys.exit("a face of the cube faces in")
