// A crate every third of a second, a little tilted, until the pile has 40.
if (dropped < 40) {
    var c;
    c = instance_create(120 + irandom(240), -20, obj_crate);
    c.phy_rotation = irandom_range(-30, 30);
    dropped += 1;
    alarm[0] = 10;
}
