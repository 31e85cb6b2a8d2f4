#define ext_broken_fn
return (1 + ;
