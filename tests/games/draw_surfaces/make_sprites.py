# Writes the sprites the game draws into its surfaces: a 10x10 square of four 5x5
# quadrants (red, lime / blue, white) and a 4x4 yellow square. Run from this folder;
# the PNGs are kept beside it.
import struct, zlib

def write_png(path, w, h, pixel):
    raw = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

QUAD = [[(255, 0, 0, 255), (0, 255, 0, 255)], [(0, 0, 255, 255), (255, 255, 255, 255)]]
write_png('sprites/quad.png', 10, 10, lambda x, y: QUAD[y // 5][x // 5])
write_png('sprites/yellow.png', 4, 4, lambda x, y: (255, 255, 0, 255))
