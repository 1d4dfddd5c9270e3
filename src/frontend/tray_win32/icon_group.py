#!/usr/bin/env python3
"""Splits an .ico file into the resources Windows keeps for it: one RT_ICON
per image, with ids counting up from a first id, and the RT_GROUP_ICON that
lists them. windres's own ICON statement numbers the images itself; this
lets the program icon's images carry the ids 30001 to 30006.

usage: icon_group.py ICO GROUP_ID FIRST_IMAGE_ID OUT_DIR  -> OUT_DIR/icon-GROUP.rc
"""
import os
import struct
import sys

RT_ICON, RT_GROUP_ICON = 3, 14


def main(ico_path, group_id, first_id, out_dir):
    data = open(ico_path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count == 0:
        sys.exit(f"{ico_path}: not an icon file")
    os.makedirs(out_dir, exist_ok=True)
    group = struct.pack("<HHH", 0, 1, count)
    lines = []
    for i in range(count):
        w, h, colours, res, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        image_id = first_id + i
        blob = os.path.join(out_dir, f"icon-{image_id}.bin")
        with open(blob, "wb") as f:
            f.write(data[offset:offset + size])
        group += struct.pack("<BBBBHHIH", w, h, colours, res, planes, bits, size, image_id)
        lines.append(f'{image_id} {RT_ICON} "{blob}"')
    group_path = os.path.join(out_dir, f"group-{group_id}.bin")
    with open(group_path, "wb") as f:
        f.write(group)
    lines.append(f'{group_id} {RT_GROUP_ICON} "{group_path}"')
    with open(os.path.join(out_dir, f"icon-{group_id}.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
