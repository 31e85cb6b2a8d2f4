# Writes the sprite the textured primitives draw: 64x64 in four 32x32 quadrants, red
# (top left), lime (top right), blue (bottom left) and white (bottom right), alone on a
# 64x64 page so that u and v from 0 to 1 span exactly the frame. Run from this folder.
import struct, zlib

def write_png(path, w, h, pixel):
    raw = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

QUADRANTS = [[(255, 0, 0, 255), (0, 255, 0, 255)], [(0, 0, 255, 255), (255, 255, 255, 255)]]
write_png('sprites/quad.png', 64, 64, lambda x, y: QUADRANTS[y // 32][x // 32])
