// scr_clamp(value, low, high): the value, kept between low and high.
if (argument0 < argument1) return argument1;
if (argument0 > argument2) return argument2;
return argument0;
