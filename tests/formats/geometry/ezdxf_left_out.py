"""Writes, with ezdxf, a DXF drawing holding what our reader leaves out: a block inserted
twice that inserts another block and draws a lightweight polyline, and two lightweight
polylines of the model space beside a LINE and a 3DFACE."""
import sys

import ezdxf

doc = ezdxf.new("R2000")
inner = doc.blocks.new(name="inner")
inner.add_line((0, 0, 0), (1, 0, 0))
outer = doc.blocks.new(name="outer")
outer.add_line((0, 0, 0), (0, 1, 0))
outer.add_blockref("inner", (5, 0, 0))
outer.add_lwpolyline([(0, 0), (1, 1), (2, 0)])
space = doc.modelspace()
space.add_blockref("outer", (10, 0, 0))
space.add_blockref("outer", (20, 0, 0))
space.add_lwpolyline([(0, 0), (1, 1)])
space.add_lwpolyline([(0, 0), (1, 1), (3, 3)])
space.add_line((0, 0, 0), (0, 0, 4))
space.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0)])
doc.saveas(sys.argv[1])
