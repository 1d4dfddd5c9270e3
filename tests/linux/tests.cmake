# registered below
