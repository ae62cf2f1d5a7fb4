<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Alert</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
</context>
<context>
    <name>CanvasPopover</name>
    <message>
        <source>Expand Canvas</source>
        <translation>Agrandir le canevas</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Haut</translation>
    </message>
    <message>
        <source>Pixels to add above the image</source>
        <translation>Pixels à ajouter au-dessus de l’image</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Bas</translation>
    </message>
    <message>
        <source>Pixels to add below the image</source>
        <translation>Pixels à ajouter sous l’image</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Gauche</translation>
    </message>
    <message>
        <source>Pixels to add left of the image</source>
        <translation>Pixels à ajouter à gauche de l’image</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Droite</translation>
    </message>
    <message>
        <source>Pixels to add right of the image</source>
        <translation>Pixels à ajouter à droite de l’image</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Remplissage</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>Leave the added space transparent</source>
        <translation>Laisser l’espace ajouté transparent</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanc</translation>
    </message>
    <message>
        <source>Fill the added space with white</source>
        <translation>Remplir l’espace ajouté de blanc</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Noir</translation>
    </message>
    <message>
        <source>Fill the added space with black</source>
        <translation>Remplir l’espace ajouté de noir</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Agrandir</translation>
    </message>
    <message>
        <source>Add the space around the image</source>
        <translation>Ajouter l’espace autour de l’image</translation>
    </message>
    <message>
        <source>pixels</source>
        <translation>pixels</translation>
    </message>
</context>
<context>
    <name>Capture</name>
    <message>
        <source>Select a region</source>
        <translation>Sélectionnez une zone</translation>
    </message>
    <message>
        <source>Drag to select a region; Escape cancels</source>
        <translation>Faites glisser pour sélectionner une zone&#xa0;; Échap pour annuler</translation>
    </message>
    <message>
        <source>Drag to select · Return to capture · Escape to cancel</source>
        <translation>Glisser pour sélectionner · Entrée pour capturer · Échap pour annuler</translation>
    </message>
    <message>
        <source>Drag to select · Escape to cancel</source>
        <translation>Glisser pour sélectionner · Échap pour annuler</translation>
    </message>
    <message>
        <source>Pick a window</source>
        <translation>Choisissez une fenêtre</translation>
    </message>
    <message>
        <source>Click a window to capture it; Escape cancels</source>
        <translation>Cliquez sur une fenêtre pour la capturer&#xa0;; Échap pour annuler</translation>
    </message>
    <message>
        <source>Click a window to capture it · Escape cancels</source>
        <translation>Cliquez sur une fenêtre pour la capturer · Échap annule</translation>
    </message>
</context>
<context>
    <name>CaptureManager</name>
    <message>
        <source>Screenshot copied</source>
        <translation>Capture d’écran copiée</translation>
    </message>
    <message>
        <source>%1 × %2 px</source>
        <translation>%1 × %2 px</translation>
    </message>
    <message>
        <source>Text copied</source>
        <translation>Texte copié</translation>
    </message>
    <message>
        <source>Capture countdown</source>
        <translation>Compte à rebours de la capture</translation>
    </message>
    <message>
        <source>The screen of the selection was disconnected during the selection.</source>
        <translation>L’écran de la sélection a été déconnecté pendant la sélection.</translation>
    </message>
    <message>
        <source>Not enough memory for the captured picture.</source>
        <translation>Mémoire insuffisante pour l’image capturée.</translation>
    </message>
    <message>
        <source>The last region is on no screen now (its screen was %1): select a region again.</source>
        <translation>La dernière zone n’est plus sur aucun écran (son écran était %1)&#xa0;: sélectionnez de nouveau une zone.</translation>
    </message>
    <message>
        <source>unnamed</source>
        <translation>sans nom</translation>
    </message>
    <message>
        <source>The screen could not be read.</source>
        <translation>Impossible de lire l’écran.</translation>
    </message>
    <message>
        <source>there is no last region to capture again: select a region first (pictavo capture region)</source>
        <translation>aucune zone précédente à capturer de nouveau&#xa0;: sélectionnez d’abord une zone (pictavo capture region)</translation>
    </message>
    <message>
        <source>Couldn&apos;t Capture the Screen</source>
        <translation>Impossible de capturer l’écran</translation>
    </message>
</context>
<context>
    <name>ColorPopover</name>
    <message>
        <source>Color</source>
        <translation>Couleur</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Récentes</translation>
    </message>
    <message>
        <source>More colors…</source>
        <translation>Plus de couleurs…</translation>
    </message>
    <message>
        <source>Pick any color</source>
        <translation>Choisir n’importe quelle couleur</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Couleurs</translation>
    </message>
</context>
<context>
    <name>Colors</name>
    <message>
        <source>black</source>
        <translation>noir</translation>
    </message>
    <message>
        <source>white</source>
        <translation>blanc</translation>
    </message>
    <message>
        <source>gray</source>
        <translation>gris</translation>
    </message>
    <message>
        <source>brown</source>
        <translation>marron</translation>
    </message>
    <message>
        <source>red</source>
        <translation>rouge</translation>
    </message>
    <message>
        <source>orange</source>
        <translation>orange</translation>
    </message>
    <message>
        <source>yellow</source>
        <translation>jaune</translation>
    </message>
    <message>
        <source>green</source>
        <translation>vert</translation>
    </message>
    <message>
        <source>mint</source>
        <translation>vert menthe</translation>
    </message>
    <message>
        <source>teal</source>
        <translation>bleu canard</translation>
    </message>
    <message>
        <source>blue</source>
        <translation>bleu</translation>
    </message>
    <message>
        <source>indigo</source>
        <translation>indigo</translation>
    </message>
    <message>
        <source>purple</source>
        <translation>violet</translation>
    </message>
    <message>
        <source>pink</source>
        <translation>rose</translation>
    </message>
</context>
<context>
    <name>Editor</name>
    <message>
        <source>“%1” was opened without %2 of its objects: they could not be read.</source>
        <translation>«&#xa0;%1&#xa0;» a été ouvert sans %2 de ses objets&#xa0;: ils n’ont pas pu être lus.</translation>
    </message>
    <message>
        <source>%1 objects of “%2” would take too long to draw and are not shown.</source>
        <translation>%1 objets de «&#xa0;%2&#xa0;» seraient trop longs à dessiner et ne sont pas affichés.</translation>
    </message>
    <message>
        <source>Edit Screenshot</source>
        <translation>Modifier la capture d’écran</translation>
    </message>
    <message>
        <source>Edit Screenshot — %1</source>
        <translation>Modifier la capture d’écran — %1</translation>
    </message>
</context>
<context>
    <name>EditorActions</name>
    <message>
        <source>Paste Image</source>
        <translation>Coller une image</translation>
    </message>
    <message>
        <source>Paste image from clipboard as an object</source>
        <translation>Coller l’image du presse-papiers comme objet</translation>
    </message>
    <message>
        <source>Expand Canvas</source>
        <translation>Agrandir le canevas</translation>
    </message>
    <message>
        <source>Expand canvas — add space around the image</source>
        <translation>Agrandir le canevas — ajouter de l’espace autour de l’image</translation>
    </message>
    <message>
        <source>Rotate Image</source>
        <translation>Faire pivoter l’image</translation>
    </message>
    <message>
        <source>Rotate image — turn or straighten the whole screenshot</source>
        <translation>Faire pivoter l’image — tourner ou redresser toute la capture</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Zoom arrière</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Effectuer un zoom arrière</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Zoom avant</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Effectuer un zoom avant</translation>
    </message>
    <message>
        <source>1:1</source>
        <translation>1:1</translation>
    </message>
    <message>
        <source>Actual size — 100%</source>
        <translation>Taille réelle — 100&#xa0;%</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rétablir</translation>
    </message>
    <message>
        <source>Copy Objects</source>
        <translation>Copier les objets</translation>
    </message>
    <message>
        <source>Copy selected object(s) — Ctrl+V pastes a duplicate</source>
        <translation>Copier les objets sélectionnés — Ctrl+V en colle un double</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Faire pivoter à gauche</translation>
    </message>
    <message>
        <source>Rotate 90° left</source>
        <translation>Faire pivoter de 90° vers la gauche</translation>
    </message>
    <message>
        <source>Rotate Right</source>
        <translation>Faire pivoter à droite</translation>
    </message>
    <message>
        <source>Rotate 90° right</source>
        <translation>Faire pivoter de 90° vers la droite</translation>
    </message>
    <message>
        <source>Fine Rotate Left</source>
        <translation>Rotation fine à gauche</translation>
    </message>
    <message>
        <source>Fine rotate — 1° per step</source>
        <translation>Rotation fine — 1° par pas</translation>
    </message>
    <message>
        <source>Fine Rotate Right</source>
        <translation>Rotation fine à droite</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Delete selected element(s)</source>
        <translation>Supprimer les éléments sélectionnés</translation>
    </message>
    <message>
        <source>Flatten</source>
        <translation>Aplatir</translation>
    </message>
    <message>
        <source>Flatten selected element into the image (no longer editable)</source>
        <translation>Fusionner l’élément sélectionné dans l’image (il ne sera plus modifiable)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Copy the flat image to the clipboard</source>
        <translation>Copier l’image aplatie dans le presse-papiers</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Enregistrer…</translation>
    </message>
    <message>
        <source>Saves the flat PNG plus an editable .pictproj project</source>
        <translation>Enregistre le PNG aplati et un projet .pictproj modifiable</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Tout sélectionner</translation>
    </message>
    <message>
        <source>Select every object</source>
        <translation>Sélectionner tous les objets</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Close this window</source>
        <translation>Fermer cette fenêtre</translation>
    </message>
    <message>
        <source>Renumber Badges</source>
        <translation>Renuméroter les pastilles</translation>
    </message>
    <message>
        <source>Number the selected badges (two or more), or all of them, 1, 2, 3… in drawing order</source>
        <translation>Numéroter les pastilles sélectionnées (deux ou plus), ou toutes, 1, 2, 3… dans l’ordre de dessin</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Ajuster</translation>
    </message>
    <message>
        <source>Zoom to fit the window</source>
        <translation>Zoomer pour ajuster à la fenêtre</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Enregistrer sous…</translation>
    </message>
    <message>
        <source>Save the picture and its project under another name, format or size</source>
        <translation>Enregistrer l’image et son projet sous un autre nom, format ou taille</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Copier le texte</translation>
    </message>
    <message>
        <source>Copy the text of the picture, or of the selected rectangle, to the clipboard — recognition can miss text, check what matters</source>
        <translation>Copier le texte de l’image, ou du rectangle sélectionné, dans le presse-papiers — la reconnaissance peut omettre du texte, vérifiez l’essentiel</translation>
    </message>
    <message>
        <source>Find Sensitive Text</source>
        <translation>Trouver le texte sensible</translation>
    </message>
    <message>
        <source>Find Sensitive Text — covers e-mail and IP addresses, keys, serial numbers and the like with redactions; recognition can miss text, check before sending</source>
        <translation>Trouver le texte sensible — caviarde les adresses e-mail et IP, les clés, les numéros de série, etc.&#xa0;; la reconnaissance peut omettre du texte, vérifiez avant d’envoyer</translation>
    </message>
</context>
<context>
    <name>EditorModel</name>
    <message>
        <source>There is not enough memory to go to this step.</source>
        <translation>Mémoire insuffisante pour atteindre cette étape.</translation>
    </message>
    <message>
        <source>Couldn&apos;t rotate the picture</source>
        <translation>Impossible de faire pivoter l’image</translation>
    </message>
    <message>
        <source>Couldn&apos;t expand the canvas</source>
        <translation>Impossible d’agrandir le canevas</translation>
    </message>
    <message>
        <source>Couldn&apos;t paste the objects: %1</source>
        <translation>Impossible de coller les objets&#xa0;: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t paste the objects</source>
        <translation>Impossible de coller les objets</translation>
    </message>
    <message>
        <source>Couldn&apos;t paste the picture</source>
        <translation>Impossible de coller l’image</translation>
    </message>
    <message>
        <source>Couldn&apos;t add the redactions</source>
        <translation>Impossible d’ajouter les caviardages</translation>
    </message>
</context>
<context>
    <name>EditorToolbar</name>
    <message>
        <source>Color</source>
        <translation>Couleur</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Barre d’outils</translation>
    </message>
    <message>
        <source>Divider</source>
        <translation>Séparateur</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Outils</translation>
    </message>
    <message>
        <source>Color — recolors the selected element too</source>
        <translation>Couleur — recolore aussi l’élément sélectionné</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>Size in image pixels — same at any zoom</source>
        <translation>Taille en pixels de l’image — identique à tout niveau de zoom</translation>
    </message>
    <message>
        <source>Size in pixels</source>
        <translation>Taille en pixels</translation>
    </message>
    <message>
        <source>Type a size in image pixels (1–200)</source>
        <translation>Saisissez une taille en pixels de l’image (1–200)</translation>
    </message>
    <message>
        <source>Stroke width</source>
        <translation>Épaisseur du trait</translation>
    </message>
    <message>
        <source>px</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Arrowhead size</source>
        <translation>Taille de la pointe</translation>
    </message>
    <message>
        <source>Arrowhead</source>
        <translation>Pointe de flèche</translation>
    </message>
    <message>
        <source>Hollow outline or solid fill</source>
        <translation>Contour vide ou remplissage plein</translation>
    </message>
    <message>
        <source>Outline</source>
        <translation>Contour</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Remplissage</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Icône</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Noms</translation>
    </message>
    <message>
        <source>Show the icon&apos;s name below new stamps</source>
        <translation>Afficher le nom de l’icône sous les nouveaux tampons</translation>
    </message>
    <message>
        <source>Solid or hollow badge</source>
        <translation>Pastille pleine ou évidée</translation>
    </message>
    <message>
        <source>Solid</source>
        <translation>Pleine</translation>
    </message>
    <message>
        <source>Hollow</source>
        <translation>Évidée</translation>
    </message>
    <message>
        <source>Next number</source>
        <translation>Numéro suivant</translation>
    </message>
    <message>
        <source>Number for the next dot</source>
        <translation>Numéro de la prochaine pastille</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Selection outline</source>
        <translation>Contour de la sélection</translation>
    </message>
    <message>
        <source>Selection fill</source>
        <translation>Remplissage de la sélection</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Show this stamp&apos;s name below it</source>
        <translation>Afficher le nom de ce tampon en dessous</translation>
    </message>
    <message>
        <source>Number inside or outside the circle</source>
        <translation>Numéro à l’intérieur ou à l’extérieur du cercle</translation>
    </message>
    <message>
        <source>In</source>
        <translation>Dedans</translation>
    </message>
    <message>
        <source>Number in</source>
        <translation>Numéro à l’intérieur</translation>
    </message>
    <message>
        <source>Out</source>
        <translation>Dehors</translation>
    </message>
    <message>
        <source>Number out</source>
        <translation>Numéro à l’extérieur</translation>
    </message>
    <message>
        <source>Fine rotate</source>
        <translation>Rotation fine</translation>
    </message>
    <message>
        <source>Rotation</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>Rotation in degrees</source>
        <translation>Rotation en degrés</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Enregistrer…</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Copier le texte</translation>
    </message>
    <message>
        <source>Copied!</source>
        <translation>Copié&#xa0;!</translation>
    </message>
    <message>
        <source>Cancel Reading</source>
        <translation>Annuler la lecture</translation>
    </message>
    <message>
        <source>Stop reading the text</source>
        <translation>Arrêter la lecture du texte</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1&#xa0;%</translation>
    </message>
</context>
<context>
    <name>EditorView</name>
    <message>
        <source>Canvas</source>
        <translation>Canevas</translation>
    </message>
    <message>
        <source>The screenshot and its annotations</source>
        <translation>La capture d’écran et ses annotations</translation>
    </message>
</context>
<context>
    <name>EditorWindowController</name>
    <message>
        <source>Edit Screenshot</source>
        <translation>Modifier la capture d’écran</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>v%1</source>
        <translation>v%1</translation>
    </message>
    <message>
        <source>Shift+Return for a new line</source>
        <translation>Maj+Entrée pour une nouvelle ligne</translation>
    </message>
    <message>
        <source>Save changes to this screenshot?</source>
        <translation>Enregistrer les modifications de cette capture d’écran&#xa0;?</translation>
    </message>
    <message>
        <source>Your annotations will be lost if you close without saving.</source>
        <translation>Vos annotations seront perdues si vous fermez sans enregistrer.</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Enregistrer…</translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation>Ne pas enregistrer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Reading the text…</source>
        <translation>Lecture du texte…</translation>
    </message>
    <message>
        <source>Reading cancelled</source>
        <translation>Lecture annulée</translation>
    </message>
    <message>
        <source>Looking for sensitive text…</source>
        <translation>Recherche de texte sensible…</translation>
    </message>
    <message>
        <source>The picture changed while its text was read: nothing was covered. Try again.</source>
        <translation>L’image a changé pendant la lecture de son texte&#xa0;: rien n’a été caviardé. Veuillez réessayer.</translation>
    </message>
    <message>
        <source>%1 — not covered</source>
        <translation>%1 — rien n’a été caviardé</translation>
    </message>
    <message>
        <source>%1 — check before sending</source>
        <translation>%1 — vérifiez avant d’envoyer</translation>
    </message>
    <message>
        <source>“%1” was saved without %2 objects that would take too long to draw. The project beside it keeps them all.</source>
        <translation>«&#xa0;%1&#xa0;» a été enregistré sans %2 objets qui seraient trop longs à dessiner. Le projet situé à côté les conserve tous.</translation>
    </message>
    <message>
        <source>Choose where to save the editable .pictproj project</source>
        <translation>Choisissez où enregistrer le projet .pictproj modifiable</translation>
    </message>
    <message>
        <source>Pictavo project (*.pictproj)</source>
        <translation>Projet Pictavo (*.pictproj)</translation>
    </message>
    <message>
        <source>Saved “%1” in &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</source>
        <translation>«&#xa0;%1&#xa0;» enregistré dans &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Restored unsaved edits</source>
        <translation>Modifications non enregistrées restaurées</translation>
    </message>
    <message>
        <source>%1 × %2 px</source>
        <translation>%1 × %2 px</translation>
    </message>
    <message>
        <source>%1 objects would take too long to draw and are not shown</source>
        <translation>%1 objets seraient trop longs à dessiner et ne sont pas affichés</translation>
    </message>
    <message>
        <source>%1 — %2 objects not shown</source>
        <translation>%1 — %2 objets non affichés</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>Couldn&apos;t draw “%1”: not enough memory</source>
        <translation>Impossible de dessiner «&#xa0;%1&#xa0;»&#xa0;: mémoire insuffisante</translation>
    </message>
    <message>
        <source>Couldn&apos;t keep the capture in “%1”: not enough memory</source>
        <translation>Impossible de conserver la capture dans «&#xa0;%1&#xa0;»&#xa0;: mémoire insuffisante</translation>
    </message>
    <message>
        <source>Couldn&apos;t open “%1”: %2</source>
        <translation>Impossible d’ouvrir «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t read “%1”: %2</source>
        <translation>Impossible de lire «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t write “%1”: %2</source>
        <translation>Impossible d’écrire «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t use “%1”: %2</source>
        <translation>Impossible d’utiliser «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” is not a Pictavo project.</source>
        <translation>«&#xa0;%1&#xa0;» n’est pas un projet Pictavo.</translation>
    </message>
    <message>
        <source>“%1” is not a Pictavo project or is damaged: %2</source>
        <translation>«&#xa0;%1&#xa0;» n’est pas un projet Pictavo ou est endommagé&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” is damaged: %2</source>
        <translation>«&#xa0;%1&#xa0;» est endommagé&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” is not a readable image: %2</source>
        <translation>«&#xa0;%1&#xa0;» n’est pas une image lisible&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” could not be decoded: %2</source>
        <translation>«&#xa0;%1&#xa0;» n’a pas pu être décodé&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” could not be opened as a PDF: %2</source>
        <translation>«&#xa0;%1&#xa0;» n’a pas pu être ouvert comme PDF&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” needs more memory to decode than Pictavo allows</source>
        <translation>«&#xa0;%1&#xa0;» demande plus de mémoire pour être décodé que Pictavo n’en permet</translation>
    </message>
    <message>
        <source>“%1” is %2; Pictavo does not write through it</source>
        <translation>«&#xa0;%1&#xa0;» est %2&#xa0;; Pictavo n’écrit pas à travers</translation>
    </message>
    <message>
        <source>The project could not be encoded: %1</source>
        <translation>Le projet n’a pas pu être encodé&#xa0;: %1</translation>
    </message>
    <message>
        <source>The text of %1 could not be read: %2</source>
        <translation>Le texte de %1 n’a pas pu être lu&#xa0;: %2</translation>
    </message>
    <message>
        <source>The text of %1 could not be read</source>
        <translation>Le texte de %1 n’a pas pu être lu</translation>
    </message>
    <message>
        <source>Reading the text of %1 takes more than %2 seconds</source>
        <translation>La lecture du texte de %1 prend plus de %2 secondes</translation>
    </message>
    <message>
        <source>There is not enough memory to read the text</source>
        <translation>Il n’y a pas assez de mémoire pour lire le texte</translation>
    </message>
    <message>
        <source>No text recognition languages are installed (install tesseract-ocr-eng)</source>
        <translation>Aucune langue de reconnaissance de texte n’est installée (installez tesseract-ocr-eng)</translation>
    </message>
    <message>
        <source>At most 8 languages can be read at once</source>
        <translation>On ne peut lire que 8 langues à la fois au plus</translation>
    </message>
    <message>
        <source>No X display to capture (DISPLAY is not set or the server refused us).</source>
        <translation>Aucun affichage X à capturer (DISPLAY n’est pas défini ou le serveur a refusé la connexion).</translation>
    </message>
    <message>
        <source>No screenshot portal answered. %1</source>
        <translation>Aucun portail de capture d’écran n’a répondu. %1</translation>
    </message>
    <message>
        <source>The desktop portal here offers no screenshots. %1</source>
        <translation>Le portail du bureau ne propose pas de captures d’écran ici. %1</translation>
    </message>
    <message>
        <source>Install xdg-desktop-portal and the portal of your desktop (xdg-desktop-portal-gnome, -kde or -wlr).</source>
        <translation>Installez xdg-desktop-portal et le portail de votre bureau (xdg-desktop-portal-gnome, -kde ou -wlr).</translation>
    </message>
    <message>
        <source>The desktop portal refused to take a screenshot (%1). Allow screenshots for Pictavo in your desktop&apos;s privacy settings.</source>
        <translation>Le portail du bureau a refusé la capture d’écran (%1). Autorisez les captures d’écran pour Pictavo dans les paramètres de confidentialité de votre bureau.</translation>
    </message>
    <message>
        <source>The screenshot portal failed: %1. %2</source>
        <translation>Le portail de capture d’écran a échoué&#xa0;: %1. %2</translation>
    </message>
    <message>
        <source>GNOME did not answer: Pictavo lacks the screenshot permission. Answer “Allow” when GNOME asks “Allow Applications to Take Screenshots?”, or grant it in a terminal: %1</source>
        <translation>GNOME n’a pas répondu&#xa0;: Pictavo n’a pas l’autorisation de faire des captures d’écran. Répondez «&#xa0;Autoriser&#xa0;» quand GNOME demande si les applications peuvent faire des captures d’écran, ou accordez-la dans un terminal&#xa0;: %1</translation>
    </message>
    <message>
        <source>GNOME&apos;s question “Allow Applications to Take Screenshots?” was not answered, so Pictavo lacks the screenshot permission. Answer “Allow” there (it may still be on the screen) and capture again, or grant it in a terminal: %1</source>
        <translation>La question de GNOME sur l’autorisation des captures d’écran est restée sans réponse, Pictavo n’a donc pas l’autorisation. Répondez-y «&#xa0;Autoriser&#xa0;» (elle est peut-être encore à l’écran) puis capturez à nouveau, ou accordez-la dans un terminal&#xa0;: %1</translation>
    </message>
    <message>
        <source>GNOME refused Pictavo the screenshot permission. To be asked again, reset it in a terminal: %1</source>
        <translation>GNOME a refusé à Pictavo l’autorisation de faire des captures d’écran. Pour que la question soit posée à nouveau, réinitialisez-la dans un terminal&#xa0;: %1</translation>
    </message>
    <message>
        <source>Pictavo could not listen for the screenshot portal&apos;s answer: %1</source>
        <translation>Pictavo n’a pas pu attendre la réponse du portail de capture d’écran&#xa0;: %1</translation>
    </message>
    <message>
        <source>Pictavo is waiting for an answer in “%1”: answer it, then capture again.</source>
        <translation>Pictavo attend une réponse dans «&#xa0;%1&#xa0;»&#xa0;: répondez-y, puis capturez à nouveau.</translation>
    </message>
    <message>
        <source>The screenshot portal answered without a picture file.</source>
        <translation>Le portail de capture d’écran a répondu sans fichier image.</translation>
    </message>
    <message>
        <source>The screenshot portal did not take the picture.</source>
        <translation>Le portail de capture d’écran n’a pas pris l’image.</translation>
    </message>
    <message>
        <source>The screenshot portal&apos;s picture could not be read: %1</source>
        <translation>L’image du portail de capture d’écran n’a pas pu être lue&#xa0;: %1</translation>
    </message>
    <message>
        <source>Not enough memory for a picture of the screen.</source>
        <translation>Mémoire insuffisante pour une image de l’écran.</translation>
    </message>
    <message>
        <source>The X server refused the screen&apos;s pixels (error %1).</source>
        <translation>Le serveur X a refusé les pixels de l’écran (erreur %1).</translation>
    </message>
    <message>
        <source>The X server sent pixels of a depth Pictavo cannot read.</source>
        <translation>Le serveur X a envoyé des pixels d’une profondeur que Pictavo ne sait pas lire.</translation>
    </message>
    <message>
        <source>The screen&apos;s size cannot be captured.</source>
        <translation>La taille de l’écran ne peut pas être capturée.</translation>
    </message>
    <message>
        <source>There is no screen to capture.</source>
        <translation>Il n’y a aucun écran à capturer.</translation>
    </message>
    <message>
        <source>a capture is already in progress</source>
        <translation>une capture est déjà en cours</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n’est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>le fichier est trop volumineux</translation>
    </message>
    <message>
        <source>nothing to write</source>
        <translation>il n’y a rien à écrire</translation>
    </message>
    <message>
        <source>there is no picture</source>
        <translation>il n’y a pas d’image</translation>
    </message>
    <message>
        <source>the data could not be encoded</source>
        <translation>les données n’ont pas pu être encodées</translation>
    </message>
    <message>
        <source>the picture could not be drawn</source>
        <translation>l’image n’a pas pu être dessinée</translation>
    </message>
    <message>
        <source>the picture could not be encoded</source>
        <translation>l’image n’a pas pu être encodée</translation>
    </message>
    <message>
        <source>the picture could not be written as PNG</source>
        <translation>l’image n’a pas pu être écrite en PNG</translation>
    </message>
    <message>
        <source>there is not enough space on the disk</source>
        <translation>il n’y a pas assez d’espace sur le disque</translation>
    </message>
    <message>
        <source>its format is not one Pictavo reads</source>
        <translation>Pictavo ne lit pas son format</translation>
    </message>
    <message>
        <source>%1 pictures are not supported</source>
        <translation>les images %1 ne sont pas prises en charge</translation>
    </message>
    <message>
        <source>it holds no picture</source>
        <translation>il ne contient aucune image</translation>
    </message>
    <message>
        <source>it is too large</source>
        <translation>il est trop volumineux</translation>
    </message>
    <message>
        <source>it is %1 × %2 pixels, more than %3 on a side</source>
        <translation>elle mesure %1 × %2 pixels, plus de %3 sur un côté</translation>
    </message>
    <message>
        <source>the picture would be %1 × %2 pixels, more than %3 on a side</source>
        <translation>l’image mesurerait %1 × %2 pixels, plus de %3 sur un côté</translation>
    </message>
    <message>
        <source>its pictures together are too large</source>
        <translation>ses images sont trop volumineuses ensemble</translation>
    </message>
    <message>
        <source>its picture cannot be decoded (%1)</source>
        <translation>son image ne peut pas être décodée (%1)</translation>
    </message>
    <message>
        <source>not enough memory to convert it</source>
        <translation>mémoire insuffisante pour la convertir</translation>
    </message>
    <message>
        <source>there is not enough memory to decode it</source>
        <translation>il n’y a pas assez de mémoire pour le décoder</translation>
    </message>
    <message>
        <source>there is not enough memory to open it</source>
        <translation>il n’y a pas assez de mémoire pour l’ouvrir</translation>
    </message>
    <message>
        <source>the decoding process stopped</source>
        <translation>le processus de décodage s’est arrêté</translation>
    </message>
    <message>
        <source>the decoding process answered nonsense</source>
        <translation>le processus de décodage a répondu n’importe quoi</translation>
    </message>
    <message>
        <source>the decoding process could not be started (%1)</source>
        <translation>le processus de décodage n’a pas pu être lancé (%1)</translation>
    </message>
    <message>
        <source>it has no pages.</source>
        <translation>il n’a aucune page.</translation>
    </message>
    <message>
        <source>it has no such page.</source>
        <translation>il n’a pas cette page.</translation>
    </message>
    <message>
        <source>it is protected by a password.</source>
        <translation>il est protégé par un mot de passe.</translation>
    </message>
    <message>
        <source>its protection is not supported.</source>
        <translation>sa protection n’est pas prise en charge.</translation>
    </message>
    <message>
        <source>the file cannot be read.</source>
        <translation>le fichier ne peut pas être lu.</translation>
    </message>
    <message>
        <source>the file is damaged or not a PDF.</source>
        <translation>le fichier est endommagé ou n’est pas un PDF.</translation>
    </message>
    <message>
        <source>the file is not there.</source>
        <translation>le fichier n’existe pas.</translation>
    </message>
    <message>
        <source>the page cannot be drawn</source>
        <translation>la page ne peut pas être dessinée</translation>
    </message>
    <message>
        <source>the page could not be drawn.</source>
        <translation>la page n’a pas pu être dessinée.</translation>
    </message>
    <message>
        <source>the page is too small to show.</source>
        <translation>la page est trop petite pour être affichée.</translation>
    </message>
    <message>
        <source>a link owned by another user</source>
        <translation>un lien appartenant à un autre utilisateur</translation>
    </message>
    <message>
        <source>a link in a folder other users may write</source>
        <translation>un lien dans un dossier où d’autres utilisateurs peuvent écrire</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>il appartient à un autre utilisateur</translation>
    </message>
    <message>
        <source>it is a link, not a folder</source>
        <translation>c’est un lien, pas un dossier</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>ce n’est pas un dossier</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>il est vide</translation>
    </message>
    <message>
        <source>the recognition process answered nonsense</source>
        <translation>le processus de reconnaissance a répondu n’importe quoi</translation>
    </message>
    <message>
        <source>the picture could not be prepared for reading</source>
        <translation>l’image n’a pas pu être préparée pour la lecture</translation>
    </message>
    <message>
        <source>the text recognition data for “%1” could not be loaded</source>
        <translation>les données de reconnaissance de texte pour «&#xa0;%1&#xa0;» n’ont pas pu être chargées</translation>
    </message>
    <message>
        <source>text recognition is not installed (%1: %2)</source>
        <translation>la reconnaissance de texte n’est pas installée (%1&#xa0;: %2)</translation>
    </message>
</context>
<context>
    <name>FileOpener</name>
    <message>
        <source>%1 page %2</source>
        <translation>%1 page %2</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>Open this capture in the editor</source>
        <translation>Ouvrir cette capture dans l’éditeur</translation>
    </message>
    <message>
        <source>Open this capture in the editor, with the marks saved on it</source>
        <translation>Ouvrir cette capture dans l’éditeur, avec les annotations enregistrées dessus</translation>
    </message>
    <message>
        <source>No Captures Yet</source>
        <translation>Aucune capture pour l’instant</translation>
    </message>
    <message>
        <source>The pictures you capture are listed here</source>
        <translation>Les images que vous capturez sont listées ici</translation>
    </message>
    <message>
        <source>Keep Capture History is off in Preferences</source>
        <translation>«&#xa0;Conserver l’historique des captures&#xa0;» est désactivé dans les Préférences</translation>
    </message>
    <message>
        <source>Today %1</source>
        <translation>Aujourd’hui %1</translation>
    </message>
    <message>
        <source>Yesterday %1</source>
        <translation>Hier %1</translation>
    </message>
</context>
<context>
    <name>PdfPages</name>
    <message>
        <source>Choose a Page</source>
        <translation>Choisir une page</translation>
    </message>
    <message>
        <source>This PDF has %1 pages. Select a page to annotate.</source>
        <translation>Ce PDF contient %1 pages. Sélectionnez une page à annoter.</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>Click a page, then Open Page; or double-click it</source>
        <translation>Cliquez sur une page, puis sur Ouvrir la page&#xa0;; ou double-cliquez dessus</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Page %1</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Open Page</source>
        <translation>Ouvrir la page</translation>
    </message>
    <message>
        <source>Open nothing (Escape)</source>
        <translation>N’ouvrir aucune page (Échap)</translation>
    </message>
    <message>
        <source>Open the selected page in the editor (Return)</source>
        <translation>Ouvrir la page sélectionnée dans l’éditeur (Entrée)</translation>
    </message>
    <message>
        <source>This page could not be drawn in time</source>
        <translation>Cette page n’a pas pu être dessinée à temps</translation>
    </message>
    <message>
        <source>Page %1, not drawn</source>
        <translation>Page %1, non dessinée</translation>
    </message>
</context>
<context>
    <name>PreviewView</name>
    <message>
        <source>Captured picture</source>
        <translation>Image capturée</translation>
    </message>
</context>
<context>
    <name>PreviewWindowController</name>
    <message>
        <source>Screenshot</source>
        <translation>Capture d’écran</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Enregistrer…</translation>
    </message>
    <message>
        <source>Copy to Clipboard</source>
        <translation>Copier dans le presse-papiers</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Modifier</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Copier le texte</translation>
    </message>
    <message>
        <source>Save the picture as PNG</source>
        <translation>Enregistrer l’image au format PNG</translation>
    </message>
    <message>
        <source>Copy the picture to the clipboard</source>
        <translation>Copier l’image dans le presse-papiers</translation>
    </message>
    <message>
        <source>Copy the text of the picture to the clipboard — recognition can miss text, check what matters</source>
        <translation>Copier le texte de l’image dans le presse-papiers — la reconnaissance peut omettre du texte, vérifiez l’essentiel</translation>
    </message>
    <message>
        <source>Open the picture in the editor to mark it up</source>
        <translation>Ouvrir l’image dans l’éditeur pour l’annoter</translation>
    </message>
    <message>
        <source>Copied!</source>
        <translation>Copié&#xa0;!</translation>
    </message>
    <message>
        <source>Reading…</source>
        <translation>Lecture…</translation>
    </message>
</context>
<context>
    <name>PrintKey</name>
    <message>
        <source>Capture a region with the Print key?</source>
        <translation>Capturer une zone avec la touche Impr. écran&#xa0;?</translation>
    </message>
    <message>
        <source>Pictavo can bind Print to “Capture Selection” for you. You can change the key later in your desktop&apos;s shortcut settings.</source>
        <translation>Pictavo peut associer Impr. écran à «&#xa0;Capturer une sélection&#xa0;» pour vous. Vous pourrez changer la touche plus tard dans les paramètres des raccourcis de votre bureau.</translation>
    </message>
    <message>
        <source>Bind Print</source>
        <translation>Associer Impr. écran</translation>
    </message>
    <message>
        <source>Pressing Print will start “Capture Selection”</source>
        <translation>Appuyer sur Impr. écran lancera «&#xa0;Capturer une sélection&#xa0;»</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Pas maintenant</translation>
    </message>
    <message>
        <source>Leave the Print key as it is; Pictavo will not ask again</source>
        <translation>Laisser la touche Impr. écran telle quelle&#xa0;; Pictavo ne posera plus la question</translation>
    </message>
</context>
<context>
    <name>RecoveryJournal</name>
    <message>
        <source>Unsaved edits can&apos;t be kept for recovery: %1</source>
        <translation>Les modifications non enregistrées ne peuvent pas être conservées pour une récupération&#xa0;: %1</translation>
    </message>
    <message>
        <source>Pictavo closed with unsaved edits in 1 screenshot</source>
        <translation>Pictavo s’est fermé avec des modifications non enregistrées dans 1 capture d’écran</translation>
    </message>
    <message>
        <source>Pictavo closed with unsaved edits in %1 screenshots</source>
        <translation>Pictavo s’est fermé avec des modifications non enregistrées dans %1 captures d’écran</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>et %1 de plus</translation>
    </message>
    <message>
        <source>Restore opens it again as it was, unsaved.</source>
        <translation>Restaurer la rouvre telle qu’elle était, non enregistrée.</translation>
    </message>
    <message>
        <source>Restore opens them again as they were, unsaved.</source>
        <translation>Restaurer les rouvre telles qu’elles étaient, non enregistrées.</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurer</translation>
    </message>
    <message>
        <source>Open the unsaved screenshots again in editors</source>
        <translation>Rouvrir les captures d’écran non enregistrées dans des éditeurs</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Abandonner</translation>
    </message>
    <message>
        <source>Delete the unsaved edits for good</source>
        <translation>Supprimer définitivement les modifications non enregistrées</translation>
    </message>
    <message>
        <source>Restore Unsaved Screenshots</source>
        <translation>Restaurer les captures d’écran non enregistrées</translation>
    </message>
    <message>
        <source>“%1” could not be restored: %2. It is offered again at the next start.</source>
        <translation>«&#xa0;%1&#xa0;» n’a pas pu être restauré&#xa0;: %2. Il sera proposé de nouveau au prochain démarrage.</translation>
    </message>
</context>
<context>
    <name>RotatePopover</name>
    <message>
        <source>Rotate Image</source>
        <translation>Faire pivoter l’image</translation>
    </message>
    <message>
        <source>90° Left</source>
        <translation>90° à gauche</translation>
    </message>
    <message>
        <source>Turn the whole image a quarter turn to the left</source>
        <translation>Tourner toute l’image d’un quart de tour vers la gauche</translation>
    </message>
    <message>
        <source>90° Right</source>
        <translation>90° à droite</translation>
    </message>
    <message>
        <source>Turn the whole image a quarter turn to the right</source>
        <translation>Tourner toute l’image d’un quart de tour vers la droite</translation>
    </message>
    <message>
        <source>Turn the whole image upside down</source>
        <translation>Tourner toute l’image d’un demi-tour</translation>
    </message>
    <message>
        <source>Straighten</source>
        <translation>Redresser</translation>
    </message>
    <message>
        <source>Tilt the whole image by up to 45° either way</source>
        <translation>Incliner toute l’image jusqu’à 45° dans un sens ou dans l’autre</translation>
    </message>
    <message>
        <source>Straighten angle in degrees</source>
        <translation>Angle de redressement en degrés</translation>
    </message>
    <message>
        <source>Straighten angle in degrees, −45 to 45</source>
        <translation>Angle de redressement en degrés, de −45 à 45</translation>
    </message>
    <message>
        <source>Canvas grows to fit; corners stay transparent — crop to trim.</source>
        <translation>Le canevas s’agrandit pour tout contenir&#xa0;; les coins restent transparents — recadrez pour les retirer.</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Rotate the whole image by the straighten angle</source>
        <translation>Faire pivoter toute l’image de l’angle de redressement</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Image PNG (*.png)</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PNG (lossless)</source>
        <translation>PNG (sans perte)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Image PNG (*.png)</translation>
    </message>
    <message>
        <source>JPEG (smaller)</source>
        <translation>JPEG (plus léger)</translation>
    </message>
    <message>
        <source>JPEG image (*.jpg *.jpeg)</source>
        <translation>Image JPEG (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>Document PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format&#xa0;:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Taille&#xa0;:</translation>
    </message>
    <message>
        <source>Saves the flat image plus an editable .pictproj project next to it</source>
        <translation>Enregistre l’image aplatie et, à côté, un projet .pictproj modifiable</translation>
    </message>
    <message>
        <source>Burn blurred parts into the project</source>
        <translation>Incruster les parties floutées dans le projet</translation>
    </message>
    <message>
        <source>On, the project&apos;s picture holds the blurred pixels, so the original ones cannot be recovered from the project; off, it keeps them under the blur, so blur regions can still be moved or removed</source>
        <translation>Activé&#xa0;: l’image du projet contient les pixels floutés, les pixels d’origine ne peuvent donc pas être récupérés à partir du projet&#xa0;; désactivé&#xa0;: elle les conserve sous le flou, les zones floutées peuvent donc encore être déplacées ou supprimées</translation>
    </message>
    <message>
        <source>“%1” and “%2” already exist. Do you want to replace them?</source>
        <translation>«&#xa0;%1&#xa0;» et «&#xa0;%2&#xa0;» existent déjà. Voulez-vous les remplacer&#xa0;?</translation>
    </message>
    <message>
        <source>“%1” already exists. Do you want to replace it?</source>
        <translation>«&#xa0;%1&#xa0;» existe déjà. Voulez-vous le remplacer&#xa0;?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Remplacer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1&#xa0;%</translation>
    </message>
</context>
<context>
    <name>SaveFolder</name>
    <message>
        <source>Choose Pictavo&apos;s save folder</source>
        <translation>Choisir le dossier d’enregistrement de Pictavo</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>Choisir</translation>
    </message>
    <message>
        <source>Welcome to Pictavo</source>
        <translation>Bienvenue dans Pictavo</translation>
    </message>
    <message>
        <source>Choose a folder where Pictavo will save your screenshots. The menu&apos;s Recent list shows what&apos;s in this folder. You can change it later from the menu.</source>
        <translation>Choisissez un dossier où Pictavo enregistrera vos captures d’écran. La liste Récents du menu affiche le contenu de ce dossier. Vous pourrez le changer plus tard depuis le menu.</translation>
    </message>
    <message>
        <source>Choose Folder…</source>
        <translation>Choisir un dossier…</translation>
    </message>
</context>
<context>
    <name>SensitiveText</name>
    <message>
        <source>e-mail</source>
        <translation>e-mail</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>key</source>
        <translation>clé</translation>
    </message>
    <message>
        <source>IBAN</source>
        <translation>IBAN</translation>
    </message>
    <message>
        <source>card</source>
        <translation>carte</translation>
    </message>
    <message>
        <source>labelled value</source>
        <translation>valeur étiquetée</translation>
    </message>
    <message>
        <source>Nothing sensitive found</source>
        <translation>Rien de sensible trouvé</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1 found: %2</source>
        <translation>%1 trouvé(s)&#xa0;: %2</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>StampPicker</name>
    <message>
        <source>Icon</source>
        <translation>Icône</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Search symbols</source>
        <translation>Rechercher des symboles</translation>
    </message>
    <message>
        <source>Type a name or a use: card reader, camera, smoke…</source>
        <translation>Saisissez un nom ou un usage&#xa0;: lecteur de badge, caméra, fumée…</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Récents</translation>
    </message>
    <message>
        <source>Which icon the stamp tool places</source>
        <translation>Icône que place l’outil Tampon</translation>
    </message>
</context>
<context>
    <name>Stamps</name>
    <message>
        <source>Number Circle</source>
        <translation>Cercle numéroté</translation>
    </message>
    <message>
        <source>Check Mark</source>
        <translation>Coche</translation>
    </message>
    <message>
        <source>Check Box</source>
        <translation>Case cochée</translation>
    </message>
    <message>
        <source>Check Circle</source>
        <translation>Cercle coché</translation>
    </message>
    <message>
        <source>Circle Slash</source>
        <translation>Cercle barré</translation>
    </message>
    <message>
        <source>Door Contact</source>
        <translation>Contact de porte</translation>
    </message>
    <message>
        <source>Motion Detector</source>
        <translation>Détecteur de mouvement</translation>
    </message>
    <message>
        <source>Glass Break</source>
        <translation>Détecteur bris de vitre</translation>
    </message>
    <message>
        <source>Keypad</source>
        <translation>Clavier</translation>
    </message>
    <message>
        <source>Siren / Sounder</source>
        <translation>Sirène / Diffuseur sonore</translation>
    </message>
    <message>
        <source>Panic Button</source>
        <translation>Bouton panique</translation>
    </message>
    <message>
        <source>Alarm Panel</source>
        <translation>Centrale d’alarme</translation>
    </message>
    <message>
        <source>Beam Sensor</source>
        <translation>Barrière infrarouge</translation>
    </message>
    <message>
        <source>Access Reader</source>
        <translation>Lecteur de badge</translation>
    </message>
    <message>
        <source>Access Door</source>
        <translation>Porte contrôlée</translation>
    </message>
    <message>
        <source>Maglock</source>
        <translation>Ventouse</translation>
    </message>
    <message>
        <source>Strike</source>
        <translation>Gâche électrique</translation>
    </message>
    <message>
        <source>Rim Strike</source>
        <translation>Gâche en applique</translation>
    </message>
    <message>
        <source>Push Button</source>
        <translation>Bouton-poussoir</translation>
    </message>
    <message>
        <source>Request to Exit</source>
        <translation>Demande de sortie</translation>
    </message>
    <message>
        <source>Biometric Reader</source>
        <translation>Lecteur biométrique</translation>
    </message>
    <message>
        <source>Intercom</source>
        <translation>Interphone</translation>
    </message>
    <message>
        <source>Turnstile</source>
        <translation>Tourniquet</translation>
    </message>
    <message>
        <source>Power Transfer (EPT)</source>
        <translation>Passe-câble (EPT)</translation>
    </message>
    <message>
        <source>Camera (Box)</source>
        <translation>Caméra (boîtier)</translation>
    </message>
    <message>
        <source>Camera (360°)</source>
        <translation>Caméra (360°)</translation>
    </message>
    <message>
        <source>Camera (Dome)</source>
        <translation>Caméra (dôme)</translation>
    </message>
    <message>
        <source>Camera (PTZ)</source>
        <translation>Caméra (PTZ)</translation>
    </message>
    <message>
        <source>Camera (Bullet)</source>
        <translation>Caméra (tube)</translation>
    </message>
    <message>
        <source>Camera (Thermal)</source>
        <translation>Caméra (thermique)</translation>
    </message>
    <message>
        <source>Smoke Detector</source>
        <translation>Détecteur de fumée</translation>
    </message>
    <message>
        <source>Heat Detector</source>
        <translation>Détecteur de chaleur</translation>
    </message>
    <message>
        <source>Pull Station</source>
        <translation>Déclencheur manuel</translation>
    </message>
    <message>
        <source>Horn / Strobe</source>
        <translation>Diffuseur sonore et lumineux</translation>
    </message>
    <message>
        <source>Fire Panel (FACP)</source>
        <translation>Centrale incendie (ECS)</translation>
    </message>
    <message>
        <source>Sprinkler Head</source>
        <translation>Tête de sprinkler</translation>
    </message>
    <message>
        <source>Fire Extinguisher</source>
        <translation>Extincteur</translation>
    </message>
    <message>
        <source>Equipment Rack</source>
        <translation>Baie informatique</translation>
    </message>
    <message>
        <source>Network Switch</source>
        <translation>Commutateur réseau</translation>
    </message>
    <message>
        <source>Router</source>
        <translation>Routeur</translation>
    </message>
    <message>
        <source>Wireless AP</source>
        <translation>Point d’accès Wi-Fi</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Serveur</translation>
    </message>
    <message>
        <source>Workstation</source>
        <translation>Poste de travail</translation>
    </message>
    <message>
        <source>Data Outlet</source>
        <translation>Prise réseau</translation>
    </message>
    <message>
        <source>NVR / Recorder</source>
        <translation>NVR / Enregistreur</translation>
    </message>
    <message>
        <source>UPS</source>
        <translation>Onduleur</translation>
    </message>
    <message>
        <source>Relay Coil</source>
        <translation>Bobine de relais</translation>
    </message>
    <message>
        <source>Relay Contact (NO)</source>
        <translation>Contact de relais (NO)</translation>
    </message>
    <message>
        <source>Relay Contact (NC)</source>
        <translation>Contact de relais (NF)</translation>
    </message>
    <message>
        <source>Switch (SPST)</source>
        <translation>Interrupteur (SPST)</translation>
    </message>
    <message>
        <source>Push Button (NO)</source>
        <translation>Bouton-poussoir (NO)</translation>
    </message>
    <message>
        <source>Resistor</source>
        <translation>Résistance</translation>
    </message>
    <message>
        <source>Capacitor</source>
        <translation>Condensateur</translation>
    </message>
    <message>
        <source>Diode</source>
        <translation>Diode</translation>
    </message>
    <message>
        <source>LED</source>
        <translation>LED</translation>
    </message>
    <message>
        <source>Inductor / Coil</source>
        <translation>Inductance / Bobine</translation>
    </message>
    <message>
        <source>Fuse</source>
        <translation>Fusible</translation>
    </message>
    <message>
        <source>Transistor (NPN)</source>
        <translation>Transistor (NPN)</translation>
    </message>
    <message>
        <source>Transistor (PNP)</source>
        <translation>Transistor (PNP)</translation>
    </message>
    <message>
        <source>Ground</source>
        <translation>Terre</translation>
    </message>
    <message>
        <source>Battery / DC</source>
        <translation>Batterie / CC</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>Borne</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Général</translation>
    </message>
    <message>
        <source>Security</source>
        <translation>Intrusion</translation>
    </message>
    <message>
        <source>Access</source>
        <translation>Contrôle d’accès</translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation>Caméras</translation>
    </message>
    <message>
        <source>Fire</source>
        <translation>Incendie</translation>
    </message>
    <message>
        <source>IT / Network</source>
        <translation>Informatique / Réseau</translation>
    </message>
    <message>
        <source>Electrical / Circuit</source>
        <translation>Électricité / Circuits</translation>
    </message>
</context>
<context>
    <name>StatusBarController</name>
    <message>
        <source>Capture Selection</source>
        <translation>Capturer une sélection</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Récents</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message>
        <source>Recent Captures</source>
        <translation>Captures récentes</translation>
    </message>
    <message>
        <source>Adjust Selection Before Capturing</source>
        <translation>Ajuster la sélection avant la capture</translation>
    </message>
    <message>
        <source>After the drag, move, resize or nudge the region, then press Return</source>
        <translation>Après le glisser, déplacez, redimensionnez ou décalez la zone, puis appuyez sur Entrée</translation>
    </message>
    <message>
        <source>Keep Capture History</source>
        <translation>Conserver l’historique des captures</translation>
    </message>
    <message>
        <source>Keep your last %1 captures for Recent Captures, in %2; turning it off deletes them</source>
        <translation>Conserver vos %1 dernières captures pour Captures récentes, dans %2&#xa0;; la désactivation les supprime</translation>
    </message>
    <message>
        <source>Delete the capture history?</source>
        <translation>Supprimer l’historique des captures&#xa0;?</translation>
    </message>
    <message>
        <source>The capture kept for Recent Captures will be deleted, and new captures will not be kept. This cannot be undone.</source>
        <translation>La capture conservée pour Captures récentes sera supprimée et les nouvelles captures ne seront pas conservées. Cette action est irréversible.</translation>
    </message>
    <message>
        <source>The %1 captures kept for Recent Captures will be deleted, and new captures will not be kept. This cannot be undone.</source>
        <translation>Les %1 captures conservées pour Captures récentes seront supprimées et les nouvelles captures ne seront pas conservées. Cette action est irréversible.</translation>
    </message>
    <message>
        <source>Keep History</source>
        <translation>Conserver l’historique</translation>
    </message>
    <message>
        <source>Leave Keep Capture History on; nothing is deleted</source>
        <translation>Laisser «&#xa0;Conserver l’historique des captures&#xa0;» activé&#xa0;; rien n’est supprimé</translation>
    </message>
    <message>
        <source>Delete History</source>
        <translation>Supprimer l’historique</translation>
    </message>
    <message>
        <source>Turn Keep Capture History off and delete every kept capture</source>
        <translation>Désactiver «&#xa0;Conserver l’historique des captures&#xa0;» et supprimer toutes les captures conservées</translation>
    </message>
    <message>
        <source>Quit Pictavo</source>
        <translation>Quitter Pictavo</translation>
    </message>
    <message>
        <source>Pictavo — capturing in %1 s</source>
        <translation>Pictavo — capture dans %1 s</translation>
    </message>
    <message>
        <source>No Files in the Save Folder Yet</source>
        <translation>Aucun fichier dans le dossier d’enregistrement pour l’instant</translation>
    </message>
    <message>
        <source>Open Save Folder</source>
        <translation>Ouvrir le dossier d’enregistrement</translation>
    </message>
    <message>
        <source>Change Save Folder…</source>
        <translation>Changer de dossier d’enregistrement…</translation>
    </message>
    <message>
        <source>Drag a region of the screen and copy its text to the clipboard (recognition can miss text: check what matters)</source>
        <translation>Faire glisser sur une zone de l’écran et copier son texte dans le presse-papiers (la reconnaissance peut omettre du texte&#xa0;: vérifiez l’essentiel)</translation>
    </message>
    <message>
        <source>Cancel Reading</source>
        <translation>Annuler la lecture</translation>
    </message>
    <message>
        <source>Capture Text</source>
        <translation>Capturer du texte</translation>
    </message>
    <message>
        <source>Stop reading the text of the capture; the clipboard stays as it was</source>
        <translation>Arrêter la lecture du texte de la capture&#xa0;; le presse-papiers reste inchangé</translation>
    </message>
    <message>
        <source>Drag a region of the screen to capture</source>
        <translation>Faire glisser pour sélectionner la zone de l’écran à capturer</translation>
    </message>
    <message>
        <source>Capture Window</source>
        <translation>Capturer une fenêtre</translation>
    </message>
    <message>
        <source>Click a window to capture it</source>
        <translation>Cliquer sur une fenêtre pour la capturer</translation>
    </message>
    <message>
        <source>Capture Full Screen</source>
        <translation>Capturer tout l’écran</translation>
    </message>
    <message>
        <source>Capture the whole screen</source>
        <translation>Capturer l’écran entier</translation>
    </message>
    <message>
        <source>Your last %1 captures, newest first: choose one to open it in the editor</source>
        <translation>Vos %1 dernières captures, les plus récentes en premier&#xa0;: choisissez-en une pour l’ouvrir dans l’éditeur</translation>
    </message>
    <message>
        <source>Capture Last Region Again</source>
        <translation>Recapturer la dernière zone</translation>
    </message>
    <message>
        <source>Capture the same part of the screen as the last selected region, without selecting it</source>
        <translation>Capturer la même partie de l’écran que la dernière zone sélectionnée, sans la sélectionner</translation>
    </message>
    <message>
        <source>Open Image in Editor…</source>
        <translation>Ouvrir une image dans l’éditeur…</translation>
    </message>
    <message>
        <source>Open a picture, a PDF page or a project</source>
        <translation>Ouvrir une image, une page PDF ou un projet</translation>
    </message>
    <message>
        <source>Pictavo is running</source>
        <translation>Pictavo est en cours d’exécution</translation>
    </message>
    <message>
        <source>Its menu is behind this icon: captures, recent files and the save folder.</source>
        <translation>Son menu se trouve derrière cette icône&#xa0;: captures, fichiers récents et dossier d’enregistrement.</translation>
    </message>
    <message>
        <source>Pictures and projects in the save folder, newest first</source>
        <translation>Images et projets du dossier d’enregistrement, les plus récents en premier</translation>
    </message>
    <message>
        <source>Show the save folder in the file manager</source>
        <translation>Afficher le dossier d’enregistrement dans le gestionnaire de fichiers</translation>
    </message>
    <message>
        <source>Choose another folder for saved screenshots</source>
        <translation>Choisir un autre dossier pour les captures d’écran enregistrées</translation>
    </message>
    <message>
        <source>How captures behave</source>
        <translation>Comportement des captures</translation>
    </message>
    <message>
        <source>Open Image in Editor</source>
        <translation>Ouvrir une image dans l’éditeur</translation>
    </message>
    <message>
        <source>Pictures, PDFs and projects (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.pdf *.pictproj *.PNG *.JPG *.JPEG *.PDF *.PICTPROJ);;All files (*)</source>
        <translation>Images, PDF et projets (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.pdf *.pictproj *.PNG *.JPG *.JPEG *.PDF *.PICTPROJ);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>You have unsaved screenshot edits</source>
        <translation>Vous avez des modifications de capture d’écran non enregistrées</translation>
    </message>
    <message>
        <source>You have unsaved edits in %1 editor windows</source>
        <translation>Vous avez des modifications non enregistrées dans %1 fenêtres d’éditeur</translation>
    </message>
    <message>
        <source>Quitting now will discard them. Cancel to go back and save.</source>
        <translation>Si vous quittez maintenant, elles seront perdues. Annulez pour revenir en arrière et enregistrer.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Quitter quand même</translation>
    </message>
</context>
<context>
    <name>TextEntryField</name>
    <message>
        <source>Text — Shift+Return for new line</source>
        <translation>Texte — Maj+Entrée pour une nouvelle ligne</translation>
    </message>
    <message>
        <source>Text Being Typed</source>
        <translation>Texte en cours de saisie</translation>
    </message>
    <message>
        <source>Return ends the text; Shift+Return starts a new line</source>
        <translation>Entrée termine le texte&#xa0;; Maj+Entrée commence une nouvelle ligne</translation>
    </message>
</context>
<context>
    <name>TextReading</name>
    <message>
        <source>No text found</source>
        <translation>Aucun texte trouvé</translation>
    </message>
    <message>
        <source>Copied 1 line of text</source>
        <translation>1 ligne de texte copiée</translation>
    </message>
    <message>
        <source>Copied %1 lines of text</source>
        <translation>%1 lignes de texte copiées</translation>
    </message>
</context>
<context>
    <name>Tools</name>
    <message>
        <source>Select — drag to move/resize, double-click a line for a vertex</source>
        <translation>Sélection — glisser pour déplacer/redimensionner, double-cliquer sur une ligne pour ajouter un sommet</translation>
    </message>
    <message>
        <source>Pencil</source>
        <translation>Crayon</translation>
    </message>
    <message>
        <source>Highlighter</source>
        <translation>Surligneur</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Ligne</translation>
    </message>
    <message>
        <source>Arrow</source>
        <translation>Flèche</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>Rectangle</translation>
    </message>
    <message>
        <source>Ellipse</source>
        <translation>Ellipse</translation>
    </message>
    <message>
        <source>Icon stamp — pick the icon from the dropdown</source>
        <translation>Tampon d’icône — choisissez l’icône dans la liste déroulante</translation>
    </message>
    <message>
        <source>Numbered dot</source>
        <translation>Pastille numérotée</translation>
    </message>
    <message>
        <source>Checkmark badge</source>
        <translation>Pastille cochée</translation>
    </message>
    <message>
        <source>Blur — blurred text can sometimes be read back; use Redact to hide it</source>
        <translation>Flou — un texte flouté peut parfois être relu&#xa0;; utilisez Caviarder pour le masquer</translation>
    </message>
    <message>
        <source>Redact — an opaque box that hides what is under it, in the image and in the project</source>
        <translation>Caviarder — un cadre opaque qui masque ce qui se trouve dessous, dans l’image et dans le projet</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texte</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Recadrer</translation>
    </message>
    <message>
        <source>Polygon</source>
        <translation>Polygone</translation>
    </message>
    <message>
        <source>Pasted image</source>
        <translation>Image collée</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Sélection</translation>
    </message>
    <message>
        <source>Icon stamp</source>
        <translation>Tampon d’icône</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>Flou</translation>
    </message>
    <message>
        <source>Redact</source>
        <translation>Caviarder</translation>
    </message>
</context>
</TS>
