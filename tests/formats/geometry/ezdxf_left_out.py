"""Writes, with ezdxf, a DXF drawing holding what our reader leaves out: a block inserted
twice that inserts another block and draws a lightweight polyline and a 2 x 2 polygon mesh,
and two lightweight polylines and a 3 x 4 polygon mesh on layer "Mesh" of the model space
beside a LINE and a 3DFACE."""
import sys

import ezdxf

doc = ezdxf.new("R2000")
inner = doc.blocks.new(name="inner")
inner.add_line((0, 0, 0), (1, 0, 0))
outer = doc.blocks.new(name="outer")
outer.add_line((0, 0, 0), (0, 1, 0))
outer.add_blockref("inner", (5, 0, 0))
outer.add_lwpolyline([(0, 0), (1, 1), (2, 0)])
outer.add_polymesh(size=(2, 2))
space = doc.modelspace()
space.add_blockref("outer", (10, 0, 0))
space.add_blockref("outer", (20, 0, 0))
space.add_lwpolyline([(0, 0), (1, 1)])
space.add_lwpolyline([(0, 0), (1, 1), (3, 3)])
space.add_line((0, 0, 0), (0, 0, 4))
space.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0)])
grid = space.add_polymesh(size=(3, 4), dxfattribs={"layer": "Mesh"})
for m in range(3):
    for n in range(4):
        grid.set_mesh_vertex((m, n), (m, n, m * n))
doc.saveas(sys.argv[1])
