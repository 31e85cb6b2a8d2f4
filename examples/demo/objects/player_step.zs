// Arrow keys move the creature; the walls keep it inside the room.
if (keyboard_check(vk_left))  x -= PLAYER_SPEED;
if (keyboard_check(vk_right)) x += PLAYER_SPEED;
if (keyboard_check(vk_up))    y -= PLAYER_SPEED;
if (keyboard_check(vk_down))  y += PLAYER_SPEED;
x = scr_clamp(x, 24, room_width - 24);
y = scr_clamp(y, 24, room_height - 24);
