// Window code lives here.
