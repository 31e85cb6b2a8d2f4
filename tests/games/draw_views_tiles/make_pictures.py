# Writes the game's pictures: solid squares, so every pixel of a frame tells which
# tile or instance is on top there. Run from this folder; the PNGs are kept beside it.
import struct, zlib

def write_png(path, w, h, pixel):
    raw = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

def solid(rgb):
    return lambda x, y: rgb + (255,)

# The tile set: a red square on the left, a blue one on the right.
write_png('backgrounds/tiles.png', 32, 16, lambda x, y: ((255, 0, 0) if x < 16 else (0, 0, 255)) + (255,))
write_png('backgrounds/floor.png', 16, 16, solid((0, 64, 0)))
write_png('sprites/green.png', 16, 16, solid((0, 255, 0)))
write_png('sprites/yellow.png', 16, 16, solid((255, 255, 0)))
write_png('sprites/white.png', 16, 16, solid((255, 255, 255)))
write_png('sprites/mover.png', 8, 8, solid((255, 0, 255)))
