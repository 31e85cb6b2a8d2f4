// The arrow keys or W, A, S, D move the creature. Left alone for a second, it walks to
// the nearest coin by itself, so the demo also plays without a player.
var moved;
moved = false;
if (keyboard_check(vk_left) || keyboard_check(ord("A")))  { x -= PLAYER_SPEED; moved = true; }
if (keyboard_check(vk_right) || keyboard_check(ord("D"))) { x += PLAYER_SPEED; moved = true; }
if (keyboard_check(vk_up) || keyboard_check(ord("W")))    { y -= PLAYER_SPEED; moved = true; }
if (keyboard_check(vk_down) || keyboard_check(ord("S")))  { y += PLAYER_SPEED; moved = true; }
if (moved) idle = 0; else idle += 1;
if (idle > 30) {
    var best, bestd, px, py, dir;
    best = noone; bestd = 100000; px = x; py = y;
    with (obj_coin) {
        if (point_distance(px, py, x, y) < bestd) { bestd = point_distance(px, py, x, y); best = id; }
    }
    if (best != noone) {
        dir = point_direction(x, y, best.x, best.y);
        x += lengthdir_x(PLAYER_SPEED, dir);
        y += lengthdir_y(PLAYER_SPEED, dir);
    }
}
x = scr_clamp(x, 24, room_width - 24);
y = scr_clamp(y, 24, room_height - 24);
